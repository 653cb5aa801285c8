// RINEX straight from the receiver's stream: the converter's one pass with
// the RINEX output attached, alone (jpsconv rinex FILE.jps) or beside the
// KEL, EPP and STA files (jpsconv convert --rinex, stream_outputs.h). Every system, signal and
// value the stream holds; the navigation records from the receiver's own
// ephemeris messages, with their health.
#pragma once

#include <memory>
#include <string>

#include "tools/jpsconv/conversion.h"
#include "tools/jpsconv/rinex_export.h"
#include "tools/rinex/rinex_sink.h"

namespace jpsconv {

// The RINEX output of one conversion of input; its files are named after
// namedAfter (beside it, or in options.outputFolder): the input itself, or
// the KEL file written in the same pass.
class StreamRinex {
 public:
  StreamRinex(const std::string& input, const std::string& namedAfter,
              const RinexOptions& options);
  jps::ConversionSink* sink() { return sink_.get(); }
  // "" when the outputs may be written, else why not.
  std::string Check() const;
  // What was written, once the conversion ran.
  RinexResult Result(const ConversionResult& conversion) const;

 private:
  std::string input_;
  jpsrinex::RinexSinkOptions options_;
  std::unique_ptr<jpsrinex::RinexSink> sink_;
};

// jpsconv rinex FILE.jps: the RINEX files alone, the converter's messages to hooks.
RinexResult ExportRinexFromStream(const std::string& jps, const RinexOptions& options,
                                  const ConversionHooks& hooks);

}  // namespace jpsconv
