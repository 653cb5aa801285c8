// The jpsconv commands; each takes the arguments after its name and returns
// the exit status.
#pragma once

#include <string>
#include <vector>

namespace jpsconv {

using Arguments = std::vector<std::string>;

int ConvertCommand(const Arguments& args);
int DetectCommand(const Arguments& args);
int DumpCommand(const Arguments& args);
int QcCommand(const Arguments& args);
int RinexCommand(const Arguments& args);
int SimulateCommand(const Arguments& args);

}  // namespace jpsconv
