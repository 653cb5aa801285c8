// The manual page packaging/jpsconv.1 against the program: every command that
// "jpsconv --help" lists has its section, every option that a command's
// --help names is described in that command's section, and groff formats the
// page without a warning.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <string>
#include <vector>

#include "tests/builder/help_text.h"
#include "tests/builder/optional_tools.h"
#include "tests/builder/program_run.h"
#include "tests/builder/test_host.h"

namespace {

const std::string kManualPage = JPS_SOURCE_DIR "/packaging/jpsconv.1";

// The lines from the request ".SS name" up to the next section heading.
std::string Section(const std::string& page, const std::string& heading) {
  size_t begin = page.find("\n" + heading + "\n");
  if (begin == std::string::npos) return "";
  begin += heading.size() + 2;
  size_t end = std::min(page.find("\n.SS ", begin), page.find("\n.SH ", begin));
  return page.substr(begin, end == std::string::npos ? std::string::npos : end - begin);
}

// An option as the roff source writes it: every hyphen as "\-".
std::string Roff(const std::string& option) {
  std::string out;
  for (char c : option) out += c == '-' ? std::string("\\-") : std::string(1, c);
  return out;
}

bool NameCharacter(char c) { return std::isalnum(static_cast<unsigned char>(c)) != 0; }

// True when the text names the option as a whole word: "\-j" does not count
// inside "\-\-json", "\-\-site\-awaits\-save" not inside "\-\-no\-site\-awaits\-save".
bool Names(const std::string& text, const std::string& option) {
  const std::string roff = Roff(option);
  for (size_t at = text.find(roff); at != std::string::npos; at = text.find(roff, at + 1)) {
    bool hyphenBefore = at >= 2 && text.compare(at - 2, 2, "\\-") == 0;
    bool letterBefore = at >= 1 && NameCharacter(text[at - 1]);
    size_t after = at + roff.size();
    bool continues = after < text.size() &&
                     (NameCharacter(text[after]) || text.compare(after, 2, "\\-") == 0);
    if (!hyphenBefore && !letterBefore && !continues) return true;
  }
  return false;
}

}  // namespace

TEST(ManualPage, HasTheUsualSectionsAndOneForEveryCommand) {
  std::string dir = jpstest::TempDir();
  std::string page = jpstest::ReadFile(kManualPage);
  ASSERT_FALSE(page.empty()) << kManualPage;
  for (const char* heading : {".SH NAME", ".SH SYNOPSIS", ".SH DESCRIPTION", ".SH COMMANDS",
                              ".SH \"EXIT STATUS\"", ".SH FILES", ".SH EXAMPLES"}) {
    std::string h = heading;
    // A heading of two words may also be written without quotes.
    bool found = page.find("\n" + h + "\n") != std::string::npos;
    if (!found && h.find('"') != std::string::npos) {
      h.erase(std::remove(h.begin(), h.end(), '"'), h.end());
      found = page.find("\n" + h + "\n") != std::string::npos;
    }
    EXPECT_TRUE(found) << heading;
  }
  std::vector<std::string> commands = jpstest::ListedCommands(dir);
  ASSERT_GE(commands.size(), 6u);
  std::string synopsis = Section(page, ".SH SYNOPSIS");
  for (const std::string& command : commands) {
    EXPECT_FALSE(Section(page, ".SS " + command).empty()) << "no section for " << command;
    EXPECT_NE(synopsis.find("\n.B " + command + "\n"), std::string::npos)
        << command << " not in the synopsis";
  }
  EXPECT_TRUE(Names(page, "--version"));
}

TEST(ManualPage, DescribesEveryOptionOfEachCommandInItsSection) {
  std::string dir = jpstest::TempDir();
  std::string page = jpstest::ReadFile(kManualPage);
  ASSERT_FALSE(page.empty()) << kManualPage;
  for (const std::string& command : jpstest::ListedCommands(dir)) {
    std::string section = Section(page, ".SS " + command);
    std::vector<std::string> options = jpstest::HelpOptions(command, dir);
    options.push_back("--help");  // every command takes it, though some texts do not say so
    for (const std::string& option : options) {
      EXPECT_TRUE(Names(section, option)) << "jpsconv " << command << " --help names " << option
                                          << ", the manual page's section does not";
    }
  }
}

TEST(ManualPage, GroffFormatsItWithoutWarnings) {
  std::string missing = jpstest::MissingTool("groff", "packaging");
  if (!missing.empty()) GTEST_SKIP() << missing;
  std::string dir = jpstest::TempDir();
  jpstest::ProgramRun r = jpstest::Run({"groff", "-ww", "-man", "-z", kManualPage}, dir);
  EXPECT_EQ(r.exit, 0);
  EXPECT_EQ(r.err, "");
  // The same in the width of a narrow terminal, where long words must break.
  r = jpstest::Run({"groff", "-ww", "-man", "-Tutf8", "-rLL=60n", "-z", kManualPage}, dir);
  EXPECT_EQ(r.exit, 0);
  EXPECT_EQ(r.err, "");
}
