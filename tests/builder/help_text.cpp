#include "tests/builder/help_text.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <regex>
#include <sstream>

#include "tests/builder/program_run.h"

namespace jpstest {
namespace {

std::string Help(const std::vector<std::string>& args, const std::string& dir) {
  ProgramRun r = Jpsconv(args, dir);
  EXPECT_EQ(r.exit, 0) << r.err;
  EXPECT_FALSE(r.out.empty());
  return r.out;
}

}  // namespace

std::vector<std::string> ListedCommands(const std::string& dir) {
  std::istringstream help(Help({"--help"}, dir));
  std::vector<std::string> commands;
  std::string line;
  bool listing = false;
  const std::regex entry(R"(^ +([a-z]+) )");
  std::smatch m;
  while (std::getline(help, line)) {
    if (line == "Commands:") {
      listing = true;
    } else if (listing && std::regex_search(line, m, entry)) {
      commands.push_back(m[1]);
    } else if (listing) {
      break;
    }
  }
  return commands;
}

std::vector<std::string> HelpOptions(const std::string& command, const std::string& dir) {
  std::istringstream help(Help({command, "--help"}, dir));
  // An option stands at the start of a line or after a blank, a bracket, a
  // comma or a bar: "-o, --output PATH", "[--csv]", "(see jpsconv qc --help".
  const std::regex option(R"((^|[\s\[\](,|])(--?[A-Za-z][-A-Za-z0-9]*))");
  std::vector<std::string> options;
  std::string line;
  while (std::getline(help, line)) {
    for (std::sregex_iterator it(line.begin(), line.end(), option), end; it != end; ++it) {
      std::string name = (*it)[2];
      if (std::find(options.begin(), options.end(), name) == options.end())
        options.push_back(name);
    }
  }
  return options;
}

}  // namespace jpstest
