// The data-quality report of one KEL file, as jpsconv qc and jpsconv
// convert --qc print it.
#pragma once

#include <string>

namespace jpsconv {

struct QcRequest {
  std::string kel;
  std::string svg;       // write the picture here ("" for none)
  bool json = false;     // the report as JSON rather than text
  bool compact = false;  // JSON on one line
};

// Prints the report on stdout and writes the picture; complains on stderr.
// Returns the exit status: 0 done; 1 the file is damaged or not a KEL file;
// 2 it could not be opened, or the picture could not be written.
int PrintQcReport(const QcRequest& request);

}  // namespace jpsconv
