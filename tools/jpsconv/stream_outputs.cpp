#include "tools/jpsconv/stream_outputs.h"

#include <memory>

#include "tools/jpsconv/cli_common.h"
#include "tools/jpsconv/qc_stream.h"
#include "tools/jpsconv/qc_writers.h"
#include "tools/jpsconv/rinex_report.h"
#include "tools/jpsconv/stream_rinex.h"

namespace jpsconv {

ConversionResult ConvertWithStreamOutputs(const ConversionJob& job,
                                          const jps::ConversionOptions& options,
                                          const ConversionHooks& hooks,
                                          const ConvertArguments& outputs) {
  ExtraOutput extra;
  std::unique_ptr<StreamRinex> rinex;
  if (outputs.rinex) {
    RinexOptions rinexOptions;
    rinexOptions.version = outputs.rinexVersion;
    rinex = std::make_unique<StreamRinex>(job.input, job.kel, rinexOptions);
    std::string refused = rinex->Check();
    if (!refused.empty()) {
      ConversionResult r = NewResult(job);
      r.outcome = Outcome::kNotStarted;
      r.message = refused;
      return r;
    }
    extra.sinks.push_back(rinex->sink());
  }
  std::unique_ptr<QcStreamSink> qc;
  if (outputs.qc) {
    qc = std::make_unique<QcStreamSink>(job.input);
    extra.sinks.push_back(qc.get());
  }
  ConversionResult r = RunConversion(job, options, hooks, extra);
  if (r.outcome == Outcome::kNotStarted || r.outcome == Outcome::kInterrupted) return r;
  if (rinex) {
    RinexResult result = rinex->Result(r);
    r.rinex.has = true;
    r.rinex.text = RinexSummary(result, outputs.json);
    r.rinex.status = RinexExitStatus(result.status);
  }
  bool written = r.outcome == Outcome::kConverted || r.outcome == Outcome::kRejected;
  if (qc && written && qc->epochs() > 0) {
    QcReport report;
    qc->Finish(&report);
    if (r.outcome == Outcome::kRejected) report.damage = r.message;
    r.qc.has = true;
    r.qc.text = outputs.json ? QcJson(report, true) : QcText(report);
    r.qc.status = report.damage.empty() ? kExitOk : kExitRejected;
  }
  return r;
}

}  // namespace jpsconv
