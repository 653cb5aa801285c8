// jpsconv convert with outputs beside the KEL, EPP and STA files, in the
// same pass over the receiver's file: the RINEX files (--rinex) and the
// data-quality report of the stream (--qc).
#pragma once

#include "tools/jpsconv/conversion.h"
#include "tools/jpsconv/convert_arguments.h"

namespace jpsconv {

// The conversion with the outputs args asks for (--rinex, --rinex-version,
// --qc; --json for the RINEX summary and the report as JSON lines); the RINEX summary and exit
// status, and the report as printed (text, or one JSON line) with its exit
// status, in the result. The report is left out (qc.has false) when the
// stream held no epoch of observations (a file of legacy rM records): the
// KEL file's report stands in for it.
ConversionResult ConvertWithStreamOutputs(const ConversionJob& job,
                                          const jps::ConversionOptions& options,
                                          const ConversionHooks& hooks,
                                          const ConvertArguments& outputs);

}  // namespace jpsconv
