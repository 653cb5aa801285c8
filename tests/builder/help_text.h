// What jpsconv's --help texts name: its commands and each command's options,
// for the tests that hold the manual page and the bash completion to them.
#pragma once

#include <string>
#include <vector>

namespace jpstest {

// The commands that "jpsconv --help" lists under "Commands:". dir takes the
// program's output.
std::vector<std::string> ListedCommands(const std::string& dir);

// Every option that "jpsconv COMMAND --help" names anywhere in its text
// (-o, --output, --gps-only ...), once each, in the order of the text.
std::vector<std::string> HelpOptions(const std::string& command, const std::string& dir);

}  // namespace jpstest
