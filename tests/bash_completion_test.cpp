// The bash completion packaging/jpsconv.bash, run in bash as the shell runs
// it: the commands that "jpsconv --help" lists, every option that a
// command's --help names, and file names by command and by option.
#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "tests/builder/help_text.h"
#include "tests/builder/program_run.h"
#include "tests/builder/test_host.h"

namespace {

using Words = std::set<std::string>;

const std::string kCompletion = JPS_SOURCE_DIR "/packaging/jpsconv.bash";

// What the completion offers for the last of the words typed after the
// program's name, in the folder cwd.
Words Complete(const std::vector<std::string>& typed, const std::string& dir,
               const std::string& cwd = "") {
  const char* script =
      "source \"$1\"; shift\n"
      "COMP_WORDS=(\"$@\"); COMP_CWORD=$(($# - 1))\n"
      "_jpsconv\n"
      "printf '%s\\n' \"${COMPREPLY[@]}\"\n";
  std::vector<std::string> argv = {"bash", "-c", script, "bash", kCompletion, jpstest::kProgram};
  argv.insert(argv.end(), typed.begin(), typed.end());
  jpstest::ProgramRun r = jpstest::Run(argv, dir, cwd);
  EXPECT_EQ(r.exit, 0) << r.err;
  Words words;
  std::istringstream out(r.out);
  for (std::string line; std::getline(out, line);) {
    if (!line.empty()) words.insert(line);
  }
  return words;
}

}  // namespace

TEST(BashCompletion, OffersTheCommandsThatTheProgramLists) {
  std::string dir = jpstest::TempDir();
  std::vector<std::string> commands = jpstest::ListedCommands(dir);
  ASSERT_GE(commands.size(), 6u);
  Words expected(commands.begin(), commands.end());
  expected.insert({"--help", "--version"});
  EXPECT_EQ(Complete({""}, dir), expected);
  EXPECT_EQ(Complete({"si"}, dir), Words({"simulate"}));
  EXPECT_EQ(Complete({"--v"}, dir), Words({"--version"}));
}

TEST(BashCompletion, OffersEveryOptionThatEachCommandsHelpNames) {
  std::string dir = jpstest::TempDir();
  for (const std::string& command : jpstest::ListedCommands(dir)) {
    std::vector<std::string> options = jpstest::HelpOptions(command, dir);
    Words expected(options.begin(), options.end());
    expected.insert("--help");
    EXPECT_EQ(Complete({command, "-"}, dir), expected) << command;
  }
  EXPECT_EQ(Complete({"convert", "--no-s"}, dir), Words({"--no-site-awaits-save"}));
  EXPECT_EQ(Complete({"convert", "a.jps", "--gps"}, dir), Words({"--gps-only"}));
}

TEST(BashCompletion, CompletesFileNamesByCommandAndByOption) {
  std::string dir = jpstest::TempDir();
  std::string work = dir + "/work";
  std::filesystem::create_directories(work + "/site");
  for (const char* name : {"day.jps", "OLD.JPS", "day.kel", "notes.txt"})
    jpstest::WriteFile(work + "/" + name, std::string("x"));

  // Inputs: JPS files to convert, KEL files to read; folders to go into.
  EXPECT_EQ(Complete({"convert", ""}, dir, work), Words({"day.jps", "OLD.JPS", "site"}));
  EXPECT_EQ(Complete({"convert", "-q", "d"}, dir, work), Words({"day.jps"}));
  for (const char* command : {"dump", "qc", "rinex"})
    EXPECT_EQ(Complete({command, ""}, dir, work), Words({"day.kel", "site"})) << command;
  EXPECT_EQ(Complete({"detect", ""}, dir, work).size(), 5u);

  // An option's value: any file for a file or path, folders for a folder,
  // nothing for a number, a time or a pair of numbers.
  EXPECT_EQ(Complete({"convert", "day.jps", "--log", "n"}, dir, work), Words({"notes.txt"}));
  EXPECT_EQ(Complete({"convert", "day.jps", "-o", ""}, dir, work).size(), 5u);
  EXPECT_EQ(Complete({"qc", "day.kel", "--svg", "n"}, dir, work), Words({"notes.txt"}));
  EXPECT_EQ(Complete({"rinex", "day.kel", "-o", ""}, dir, work), Words({"site"}));
  EXPECT_EQ(Complete({"simulate", "-o", "n"}, dir, work), Words({"notes.txt"}));
  for (const std::vector<std::string>& typed :
       std::vector<std::vector<std::string>>{{"convert", "-j", ""},
                                             {"rinex", "day.kel", "--from", ""},
                                             {"simulate", "--gap", ""},
                                             {"dump", "day.kel", "--epochs", ""}}) {
    EXPECT_TRUE(Complete(typed, dir, work).empty()) << typed[0] << " " << typed[1];
  }
}
