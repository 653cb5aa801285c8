// libFuzzer target: arbitrary bytes as a KEL file with the EPP and STA files
// beside it, through the support library's KEL reader (epoch by epoch and
// both searches) and EPP reader, and through jpsconv's dump (table and CSV),
// qc (text, JSON and SVG) and rinex (observation and navigation files).
//
// An input is a choice byte, then the KEL bytes, then optionally the EPP
// text after the line kEppMark and the STA text after the line kStaMark (a
// file whose mark is missing is not there). What comes out must hold its
// form: the JSON is JSON, the SVG is XML, the RINEX header lines fill their
// 80 columns, the searches keep their word on where the stream stands.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "support/epp_reader.h"
#include "support/file64.h"
#include "support/kel_file.h"
#include "support/kel_reader.h"
#include "tests/builder/json_reader.h"
#include "tests/builder/xml_reader.h"
#include "tests/fuzz/fuzz_files.h"
#include "tests/fuzz/reader_input.h"
#include "tools/jpsconv/commands.h"
#include "tools/jpsconv/qc_input.h"
#include "tools/jpsconv/qc_writers.h"
#include "tools/jpsconv/rinex_report.h"

namespace {

// The choice byte.
constexpr uint8_t kDumpCsv = 1 << 0;
constexpr uint8_t kDumpFewEpochs = 1 << 1;
constexpr uint8_t kRinexWeek = 1 << 2;
constexpr uint8_t kRinexTenBitWeek = 1 << 3;
constexpr uint8_t kRinexInterval = 1 << 4;
constexpr uint8_t kRinexFrom = 1 << 5;
constexpr uint8_t kRinexTo = 1 << 6;
constexpr uint8_t kKelBuffer = 1 << 7;

constexpr int32_t kWholeWeek = 1807;    // a week given in full
constexpr int32_t kTenBitWeek = 783;    // and one below 1024
constexpr uint16_t kSmallBuffer = 512;  // a stream buffer smaller than an epoch group
constexpr size_t kRinexLineColumns = 80;
constexpr size_t kRinexLabelColumn = 60;  // the label fills columns 61-80
constexpr const char kEndOfHeader[] = "END OF HEADER";
constexpr size_t kEndOfHeaderLength = sizeof kEndOfHeader - 1;

[[noreturn]] void Fail(const std::string& what) {
  std::fprintf(stderr, "fuzz_readers: %s\n", what.c_str());
  std::abort();
}

// The support reader: every epoch, then a forward and a backward search for
// the first satellite met, at the last epoch's time. Returns the first epoch's
// time (0 without one).
double ReadKel(const std::string& path, uint16_t bufferSize) {
  jps::FailureText failure;
  jps::KelWriter* h = jps::KelOpen(path.c_str(), bufferSize, &failure);
  if (h == nullptr) return 0;
  int channels = h->header.channelCount > 0 ? h->header.channelCount : 0;
  std::vector<jps::KelMeasurement> measurements(static_cast<size_t>(channels) + 1);
  std::vector<int64_t> offsets;
  jps::KelEpoch epoch;
  double first = 0, last = 0;
  int satellite = 0;
  for (;;) {
    int64_t at = jps::Tell64(h->stream);
    if (jps::KelReadEpoch(h, &epoch, measurements.data(), &failure) != 0) break;
    if (epoch.measurementCount > channels) Fail("an epoch beyond the header's channels read");
    if (offsets.empty()) first = epoch.receiverTime;
    last = epoch.receiverTime;
    if (satellite == 0 && epoch.measurementCount > 0) satellite = measurements[0].satellite;
    offsets.push_back(at);
  }
  if (jps::RewindKelFile(h) != 0) Fail("cannot rewind");
  int64_t start = jps::Tell64(h->stream);
  int found = jps::KelFindForward(h, satellite, last, &failure);
  if (found > jps::kKelSearchEpochs) Fail("a forward search beyond its epochs");
  if (found == 0 && jps::Tell64(h->stream) != start) Fail("a forward miss moved the stream");
  if (!offsets.empty()) {
    int32_t index = static_cast<int32_t>(offsets.size()) - 1;
    int32_t from = index;
    found = jps::KelFindBackward(h, &index, offsets.data(), satellite, first, &failure);
    if (found > jps::kKelSearchEpochs) Fail("a backward search beyond its epochs");
    if (found == 0 && (index != from || jps::Tell64(h->stream) != offsets[from])) {
      Fail("a backward miss moved the stream");
    }
    if (found > 0 && (index < 1 || index > from)) Fail("a backward hit outside the table");
  }
  jps::CloseKelFile(h);
  return first;
}

void ReadEpp(const std::string& path) {
  int32_t week = 0;
  double toe = 0;
  if (jps::EppLatestGpsWeek(path.c_str(), &week, &toe) != 0) return;
  if (week < 0 || week >= jps::kEppWeekLimit || toe < 0 || toe > jps::kEppToeLimit) {
    Fail("an unusable week or toe given as usable");
  }
}

void CheckJson(const std::string& text, const char* what) {
  jpstest::JsonValue value;
  std::string error = jpstest::ParseJson(text, &value);
  if (!error.empty()) Fail(std::string(what) + " is no JSON: " + error);
}

void Qc(const std::string& kel) {
  jpsconv::QcReport report;
  bool cannotOpen = false;
  if (!jpsconv::ReadQcReport(kel, &report, &cannotOpen).empty()) return;
  jpsconv::QcText(report);
  CheckJson(jpsconv::QcJson(report, false), "the qc report");
  CheckJson(jpsconv::QcJson(report, true), "the compact qc report");
  jpstest::XmlElement root;
  std::string error = jpstest::ParseXml(jpsconv::QcSvg(report), &root);
  if (!error.empty()) Fail("the qc picture is no XML: " + error);
}

// Every header line of a RINEX file holds exactly 80 columns.
void CheckRinexHeader(const std::string& path) {
  std::string text = jpsfuzz::ReadAll(path);
  size_t at = 0;
  while (at < text.size()) {
    size_t end = text.find('\n', at);
    if (end == std::string::npos) Fail(path + ": a header without its end");
    std::string line = text.substr(at, end - at);
    if (line.size() != kRinexLineColumns) Fail(path + ": a header line of other width: " + line);
    if (line.compare(kRinexLabelColumn, kEndOfHeaderLength, kEndOfHeader) == 0) return;
    at = end + 1;
  }
  Fail(path + ": no end of header");
}

std::string WeekSeconds(double t) {
  char text[64];
  std::snprintf(text, sizeof text, "%.3f", t);
  return text;
}

void Rinex(const std::string& kel, const std::string& folder, uint8_t choices, double first) {
  jpsconv::RinexOptions options;
  options.outputFolder = folder;
  if (choices & kRinexWeek) options.week = (choices & kRinexTenBitWeek) ? kTenBitWeek : kWholeWeek;
  if (choices & kRinexInterval) options.interval = 2;
  if (choices & kRinexFrom) jpsconv::ParseTimeBound(WeekSeconds(first + 2), &options.from);
  if (choices & kRinexTo) jpsconv::ParseTimeBound(WeekSeconds(first + 5), &options.to);
  jpsconv::RinexResult r = jpsconv::ExportRinex(kel, options);
  CheckJson(jpsconv::RinexSummaryJson(r), "the rinex summary");
  jpsconv::RinexSummaryText(r);
  if (!r.obs.empty()) CheckRinexHeader(r.obs);
  if (!r.nav.empty()) CheckRinexHeader(r.nav);
  for (const std::string& written : {r.obs, r.nav}) {
    if (!written.empty()) std::remove(written.c_str());
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  jpsfuzz::ReaderInput input = jpsfuzz::SplitReaderInput(data, size);
  const std::string& folder = jpsfuzz::Folder();
  const std::string kel = folder + "/in.kel", epp = folder + "/in.epp", sta = folder + "/in.STA";
  jpsfuzz::WriteOrRemove(kel, true, input.kel);
  jpsfuzz::WriteOrRemove(epp, input.hasEpp, input.epp);
  jpsfuzz::WriteOrRemove(sta, input.hasSta, input.sta);

  double first = ReadKel(kel, (input.choices & kKelBuffer) ? kSmallBuffer : 0);
  if (input.hasEpp) ReadEpp(epp);

  std::vector<std::string> dump = {kel};
  if (input.choices & kDumpCsv) dump.push_back("--csv");
  if (input.choices & kDumpFewEpochs) dump.insert(dump.end(), {"--epochs", "2"});
  int status = jpsconv::DumpCommand(dump);
  if (status != 0 && status != 1) {
    Fail("dump of a file that is there ends " + std::to_string(status));
  }

  Qc(kel);
  Rinex(kel, folder, input.choices, first);
  return 0;
}
