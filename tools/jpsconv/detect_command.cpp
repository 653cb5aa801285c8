// jpsconv detect: whether the converter's AutoDetect recognises each file.
#include <cstdio>

#include "plugin/jav_dll.h"
#include "tools/jpsconv/cli_common.h"
#include "tools/jpsconv/commands.h"

namespace jpsconv {
namespace {

void PrintDetectHelp() {
  std::printf(
      "Usage: jpsconv detect FILE...\n"
      "\n"
      "Says for each file whether the converter recognises it as a JPS file it can\n"
      "read (a valid receiver-time message or [rM] record within its first 8 KB).\n"
      "\n"
      "Exit status: 0 every file recognised; 1 some file not recognised;\n"
      "2 some file could not be opened.\n");
}

}  // namespace

int DetectCommand(const Arguments& args) {
  std::vector<std::string> files;
  for (const std::string& a : args) {
    if (a == "-h" || a == "--help") {
      PrintDetectHelp();
      return kExitOk;
    }
    if (a.size() > 1 && a[0] == '-') {
      Complain("unknown option " + a + " (see jpsconv detect --help)");
      return kExitFileError;
    }
    files.push_back(a);
  }
  if (files.empty()) {
    Complain("no file to look at (see jpsconv detect --help)");
    return kExitFileError;
  }
  int status = kExitOk;
  for (const std::string& file : files) {
    std::string name = Printable(file);
    std::FILE* f = IsDirectory(file) ? nullptr : std::fopen(file.c_str(), "rb");
    if (f == nullptr) {
      std::printf("%s: cannot open: %s\n", name.c_str(),
                  IsDirectory(file) ? "it is a folder" : ErrnoText().c_str());
      status = kExitFileError;
      continue;
    }
    std::fclose(f);
    if (AutoDetect(file.c_str()) == 1) {
      std::printf("%s: JPS file, recognised\n", name.c_str());
    } else {
      std::printf("%s: not recognised\n", name.c_str());
      if (status == kExitOk) status = kExitRejected;
    }
  }
  return status;
}

}  // namespace jpsconv
