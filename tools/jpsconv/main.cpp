// jpsconv: converts JPS receiver files into KEL, EPP and STA files through
// the plug-in's five entry points, and offers a few tools around them.
#include <cstdio>
#include <cstring>
#include <string>

#include "tools/jpsconv/cli_common.h"
#include "tools/jpsconv/commands.h"
#include "tools/jpsconv/platform.h"

#ifndef JPS_VERSION
#define JPS_VERSION "unknown"
#endif

namespace {

using jpsconv::Arguments;

struct Command {
  const char* name;
  int (*run)(const Arguments&);
  const char* summary;
};

const Command kCommands[] = {
    {"convert", jpsconv::ConvertCommand, "convert JPS files into KEL, EPP and STA files"},
    {"detect", jpsconv::DetectCommand, "tell whether the converter recognises files"},
    {"dump", jpsconv::DumpCommand, "print a KEL file as a table or CSV"},
    {"qc", jpsconv::QcCommand, "report the quality of a KEL file's data, with a picture"},
    {"rinex", jpsconv::RinexCommand, "write RINEX 3.04 observation and navigation files"},
    {"simulate", jpsconv::SimulateCommand, "write a simulated receiver session"},
};

void PrintHelp(std::FILE* out) {
  std::fprintf(out,
               "Usage: jpsconv COMMAND [arguments]\n"
               "       jpsconv --version\n"
               "\n"
               "Commands:\n");
  for (const Command& c : kCommands) std::fprintf(out, "  %-10s %s\n", c.name, c.summary);
  std::fprintf(out,
               "\n"
               "jpsconv COMMAND --help describes each command.\n"
               "Exit status: 0 success; 1 records rejected, conversion aborted or bad\n"
               "data; 2 a file could not be opened or written, or bad usage.\n");
}

}  // namespace

int main(int argc, char** argv) {
  jpsconv::Arguments args;
  std::string error = jpsconv::platform::ProgramArguments(argc, argv, &args);
  if (!error.empty()) {
    jpsconv::Complain(error);
    return jpsconv::kExitFileError;
  }
  if (args.empty()) {
    PrintHelp(stderr);
    return jpsconv::kExitFileError;
  }
  const std::string& first = args[0];
  if (first == "-h" || first == "--help" || first == "help") {
    PrintHelp(stdout);
    return jpsconv::kExitOk;
  }
  if (first == "--version" || first == "-V") {
    std::printf("jpsconv %s (jps2kel)\n", JPS_VERSION);
    return jpsconv::kExitOk;
  }
  Arguments rest(args.begin() + 1, args.end());
  for (const Command& c : kCommands) {
    if (first == c.name) return c.run(rest);
  }
  jpsconv::Complain("unknown command " + first + " (see jpsconv --help)");
  return jpsconv::kExitFileError;
}
