// The data-quality report of one KEL file, or of a receiver's file from its
// stream, as jpsconv qc prints it (jpsconv convert --qc prints that of the
// KEL file when the stream's own cannot be had).
#pragma once

#include <string>

namespace jpsconv {

struct QcRequest {
  std::string kel;       // the KEL file, or the receiver's JPS file
  std::string svg;       // write the picture here ("" for none)
  std::string html;      // write the report as one HTML page here ("" for none)
  bool json = false;     // the report as JSON rather than text
  bool compact = false;  // JSON on one line
};

// Prints the report on stdout and writes the picture and the page; complains
// on stderr. Returns the exit status: 0 done; 1 the file is damaged, is no
// KEL or JPS file, or holds no epoch; 2 it could not be opened, or the
// picture or the page could not be written.
int PrintQcReport(const QcRequest& request);

}  // namespace jpsconv
