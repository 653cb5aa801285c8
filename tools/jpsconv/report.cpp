#include "tools/jpsconv/report.h"

#include <charconv>
#include <cstdio>

#include "support/epp_blocks.h"
#include "tools/jpsconv/cli_common.h"

namespace jpsconv {
namespace {

constexpr double kNoTimeTag = -1.0;
constexpr double kBytesPerMegabyte = 1e6;
constexpr size_t kMessageBatchBytes = 1 << 16;

std::FILE* messageLog = nullptr;  // null: stderr
std::string pending;              // messages not written yet
std::function<void()> beforeMessages;



}  // namespace

void SetBeforeMessagesWritten(std::function<void()> beforeWrite) {
  beforeMessages = std::move(beforeWrite);
}

void FlushConverterMessages() {
  if (pending.empty()) return;
  if (beforeMessages) beforeMessages();
  std::FILE* out = messageLog != nullptr ? messageLog : stderr;
  std::fwrite(pending.data(), 1, pending.size(), out);
  std::fflush(out);
  pending.clear();
}

void SetMessageLog(std::FILE* log) { messageLog = log; }
bool MessagesGoToTerminal() { return messageLog == nullptr; }

namespace {

template <typename Line>
void EachLine(std::string_view text, Line line) {
  size_t begin = 0;
  while (begin <= text.size()) {
    size_t end = text.find('\n', begin);
    if (end == std::string_view::npos) end = text.size();
    std::string_view one = text.substr(begin, end - begin);
    if (!one.empty() && one.back() == '\r') one.remove_suffix(1);
    if (!one.empty()) line(one);
    begin = end + 1;
  }
}

}  // namespace

void ForEachMessageLine(std::string_view text, const std::function<void(std::string_view)>& line) {
  EachLine(text, line);
}

void PrintConverterMessage(std::string_view prefix, double time, std::string_view text) {
  // "[%.3f] ": the same digits as printf's.
  char tag[48];
  size_t tagSize = 0;
  if (time != kNoTimeTag) {
    tag[0] = '[';
    auto r = std::to_chars(tag + 1, tag + sizeof tag - 2, time, std::chars_format::fixed, 3);
    if (r.ec == std::errc()) {
      *r.ptr++ = ']';
      *r.ptr++ = ' ';
      tagSize = static_cast<size_t>(r.ptr - tag);
    }
  }
  EachLine(text, [&](std::string_view line) {
    pending.append(prefix);
    pending.append(tag, tagSize);
    AppendPrintable(pending, line);
    pending += '\n';
  });
  if (pending.size() >= kMessageBatchBytes) FlushConverterMessages();
}

// The blocks of the EPP file written (an ephemeris received may be refused:
// a GPS one flagged bad, an unhealthy GLONASS one); -1 when it cannot be read.
int EppBlocksWritten(const std::string& epp) {
  jps::EppBlocks blocks;
  if (jps::ReadEppBlocks(epp.c_str(), &blocks) != jps::kEppBlocksRead) return -1;
  return static_cast<int>(blocks.gps.size() + blocks.glonass.size()) + blocks.badBlocks;
}

std::string SummaryJson(const ConversionResult& r) {
  char numbers[512];
  std::snprintf(numbers, sizeof numbers,
                "\"status\":%s,\"exit\":%d,\"result\":%d,\"epochs\":%d,\"ephemerides\":%d,"
                "\"ephemeris_blocks\":%d,\"station_marks\":%d,\"camera_pulses\":%d,"
                "\"seconds\":%.3f,\"bytes\":%lld",
                JsonString(OutcomeName(r.outcome)).c_str(), ExitStatus(r.outcome), r.result,
                r.epochs, r.ephemerides, EppBlocksWritten(r.epp), r.stationMarks, r.cameraPulses,
                r.seconds, static_cast<long long>(r.bytes));
  return "{\"input\":" + JsonString(r.input) + ",\"kel\":" + JsonString(r.kel) +
         ",\"epp\":" + JsonString(r.epp) + ",\"sta\":" + JsonString(r.sta) + "," + numbers +
         ",\"message\":" + JsonString(r.message) + "}";
}

void PrintSummary(const ConversionResult& r, bool json) {
  FlushConverterMessages();   // the file's messages come before its summary
  std::string input = Printable(r.input);
  // Why a file was not converted goes to the error output, quiet or not.
  bool failed = r.outcome == Outcome::kNotStarted || r.outcome == Outcome::kInterrupted ||
                r.outcome == Outcome::kFailed;
  if (failed) {
    std::fprintf(stderr, "%s: %s: %s\n", input.c_str(), OutcomeName(r.outcome),
                 Printable(r.message).c_str());
    std::fflush(stderr);
  }
  if (json) {
    std::printf("%s\n", SummaryJson(r).c_str());
    std::fflush(stdout);
    return;
  }
  if (failed) return;
  std::printf("%s -> %s: %s", input.c_str(), Printable(r.kel).c_str(), OutcomeName(r.outcome));
  if (!r.message.empty()) std::printf(" (%s)", Printable(r.message).c_str());
  std::printf("\n  %d epochs, %d ephemerides received (%d blocks written), %d station marks, "
              "%d camera pulses in %.3f s",
              r.epochs, r.ephemerides, EppBlocksWritten(r.epp), r.stationMarks, r.cameraPulses,
              r.seconds);
  if (r.seconds > 0 && r.bytes > 0) {
    std::printf(" (%.1f MB/s)", static_cast<double>(r.bytes) / r.seconds / kBytesPerMegabyte);
  }
  std::printf("\n");
  if (r.epochs == 0) std::printf("  no epoch was written: the KEL file holds its header only\n");
  std::fflush(stdout);
}

}  // namespace jpsconv
