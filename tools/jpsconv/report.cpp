#include "tools/jpsconv/report.h"

#include <cstdio>

#include "tools/jpsconv/cli_common.h"

namespace jpsconv {
namespace {

constexpr double kNoTimeTag = -1.0;
constexpr double kBytesPerMegabyte = 1e6;

std::FILE* messageLog = nullptr;  // null: stderr

}  // namespace

void SetMessageLog(std::FILE* log) { messageLog = log; }
bool MessagesGoToTerminal() { return messageLog == nullptr; }

void ForEachMessageLine(const std::string& text,
                        const std::function<void(const std::string&)>& line) {
  size_t begin = 0;
  while (begin <= text.size()) {
    size_t end = text.find('\n', begin);
    if (end == std::string::npos) end = text.size();
    std::string one = text.substr(begin, end - begin);
    if (!one.empty() && one.back() == '\r') one.pop_back();
    if (!one.empty()) line(one);
    begin = end + 1;
  }
}

void PrintConverterMessage(const std::string& prefix, double time, const std::string& text) {
  std::FILE* out = messageLog != nullptr ? messageLog : stderr;
  ForEachMessageLine(text, [&](const std::string& line) {
    if (time != kNoTimeTag) {
      std::fprintf(out, "%s[%.3f] %s\n", prefix.c_str(), time, Printable(line).c_str());
    } else {
      std::fprintf(out, "%s%s\n", prefix.c_str(), Printable(line).c_str());
    }
  });
}

std::string SummaryJson(const ConversionResult& r) {
  char numbers[512];
  std::snprintf(numbers, sizeof numbers,
                "\"status\":%s,\"exit\":%d,\"result\":%d,\"epochs\":%d,\"ephemerides\":%d,"
                "\"station_marks\":%d,\"camera_pulses\":%d,\"seconds\":%.3f,\"bytes\":%lld",
                JsonString(OutcomeName(r.outcome)).c_str(), ExitStatus(r.outcome), r.result,
                r.epochs, r.ephemerides, r.stationMarks, r.cameraPulses, r.seconds,
                static_cast<long long>(r.bytes));
  return "{\"input\":" + JsonString(r.input) + ",\"kel\":" + JsonString(r.kel) +
         ",\"epp\":" + JsonString(r.epp) + ",\"sta\":" + JsonString(r.sta) + "," + numbers +
         ",\"message\":" + JsonString(r.message) + "}";
}

void PrintSummary(const ConversionResult& r, bool json) {
  if (json) {
    std::printf("%s\n", SummaryJson(r).c_str());
    std::fflush(stdout);
    return;
  }
  std::string input = Printable(r.input);
  if (r.outcome == Outcome::kNotStarted || r.outcome == Outcome::kInterrupted ||
      r.outcome == Outcome::kFailed) {
    std::printf("%s: %s: %s\n", input.c_str(), OutcomeName(r.outcome),
                Printable(r.message).c_str());
    std::fflush(stdout);
    return;
  }
  std::printf("%s -> %s: %s", input.c_str(), Printable(r.kel).c_str(), OutcomeName(r.outcome));
  if (!r.message.empty()) std::printf(" (%s)", Printable(r.message).c_str());
  std::printf("\n  %d epochs, %d ephemerides, %d station marks, %d camera pulses in %.3f s",
              r.epochs, r.ephemerides, r.stationMarks, r.cameraPulses, r.seconds);
  if (r.seconds > 0 && r.bytes > 0) {
    std::printf(" (%.1f MB/s)", static_cast<double>(r.bytes) / r.seconds / kBytesPerMegabyte);
  }
  std::printf("\n");
  std::fflush(stdout);
}

}  // namespace jpsconv
