#include "tools/rinex/observation_file.h"

#include <cmath>
#include <cstring>

#include "support/gps_time.h"
#include "tools/rinex/rinex_time.h"

namespace jpsrinex {
namespace {

constexpr double kMillisecondsPerSecond = 1000.0;
constexpr size_t kCopyChunk = kWriteBufferSize;
constexpr size_t kMaxLine = 4096;         // longer than any line of the spool
constexpr int kValuesPerLine2 = 5;        // 2.11: values on one line of a satellite
// The system of a spooled satellite line's first character, or -1.
int SystemOfLine(char c) {
  jps::GnssSystem system;
  return jps::SystemOfRinexLetter(c, &system) ? static_cast<int>(system) : -1;
}

}  // namespace

bool ObservationFile::Create(const std::string& path, const std::string& temp,
                             std::string* error) {
  path_ = path;
  std::string pending = temp.empty() ? path + kPendingSuffix : temp;
  if (version() == RinexVersion::k304) {
    bodyFile_ = &final_;
    return final_.Create(path, pending, true, error);
  }
  bodyFile_ = &spool_;
  return final_.Create(path, pending, false, error) &&
         spool_.Create(path + kSpoolSuffix, path + kSpoolSuffix, true, error);
}

bool ObservationFile::Add(const jps::ObservationEpoch& epoch) {
  jps::DateTime time = jps::FullWeekToDateTime(epoch.week, epoch.timeOfWeek);
  int satellites = epoch.satelliteCount < 0 ? 0 : epoch.satelliteCount;
  if (satellites > jps::kMaxStreamSatellites) satellites = jps::kMaxStreamSatellites;
  char* out = bodyFile_->Reserve(EpochTextBound(satellites));
  size_t n = body_.Format(epoch, time, out);
  if (n == 0) return false;
  bodyFile_->Commit(n);
  double gpsTime = GpsSeconds(epoch.week, epoch.timeOfWeek);
  if (body_.tally().epochs == 1) {
    first_ = time;
    firstWeek_ = epoch.week;
  } else {
    ++spacings_[std::llround((gpsTime - lastGpsTime_) * kMillisecondsPerSecond)];
  }
  last_ = time;
  lastGpsTime_ = gpsTime;
  if (epoch.hasPosition) {
    for (int i = 0; i < 3; ++i) positionSum_[i] += epoch.position[i];
    ++positions_;
  }
  return true;
}

int64_t ObservationFile::BlankValues() const {
  const BodyTally& t = body_.tally();
  int64_t blank = 0;
  for (int s = 0; s < jps::kGnssSystemCount; ++s) {
    int list = body_.types().ListOf(static_cast<jps::GnssSystem>(s));
    if (list < 0) continue;
    blank += t.records[s] * body_.columns(list).count() - t.values[s];
  }
  return blank;
}

double ObservationFile::MostFrequentSpacing() const {
  int64_t best = 0, count = 0;
  for (const auto& [ms, n] : spacings_) {
    if (ms > 0 && n > count) {
      best = ms;
      count = n;
    }
  }
  return static_cast<double>(best) / kMillisecondsPerSecond;
}

bool ObservationFile::Finish(const ObservationHeader& header, std::string* error) {
  std::string text = Header(header);
  if (bodyFile_ == &final_) {
    if (BodyInTypeOrder()) return final_.Prepend(text, error) && final_.Close(error);
    // The body moves to the spool; the file starts again under its name.
    std::string temp = final_.temp();
    if (!spool_.Create(path_ + kSpoolSuffix, path_ + kSpoolSuffix, true, error) ||
        !final_.Rewind(error) || !spool_.AppendFrom(final_, error) ||
        !final_.Create(path_, temp, false, error)) {
      return false;
    }
  }
  final_.Write(text);
  if (!spool_.Rewind(error) || !CopyBody(error)) return false;
  spool_.Discard();
  return final_.Close(error);
}

bool ObservationFile::BodyInTypeOrder() const {
  const ObservationTypes& types = body_.types();
  for (int list = 0; list < types.ListCount(); ++list) {
    if (!body_.columns(list).InTypeOrder()) return false;
  }
  return true;
}

// The spool's lines into the file: epoch lines as they are, satellite lines
// with their values in the header's order of types (2.11: five a line,
// without the satellite's name).
bool ObservationFile::CopyBody(std::string* error) {
  bool v3 = version() == RinexVersion::k304;
  const ObservationTypes& types = body_.types();
  std::vector<char> buffer(kCopyChunk + kMaxLine);
  size_t held = 0;
  for (;;) {
    size_t n = spool_.Read(buffer.data() + held, kCopyChunk);
    if (n == 0) break;
    held += n;
    char* begin = buffer.data();
    char* end = begin + held;
    for (char* nl; (nl = static_cast<char*>(std::memchr(begin, '\n', static_cast<size_t>(end - begin)))) != nullptr;
         begin = nl + 1) {
      int system = SystemOfLine(*begin);
      if (system < 0) {
        final_.Write(begin, static_cast<size_t>(nl - begin + 1));
        continue;
      }
      const ColumnOrder& columns = body_.columns(types.ListOf(static_cast<jps::GnssSystem>(system)));
      const char* values = begin + kSatelliteIdWidth;
      int present = static_cast<int>((nl - values + kValueFieldWidth - 1) / kValueFieldWidth);
      char* start = final_.Reserve(kMaxLine);
      char* out = start;
      char* line = out;
      if (v3) {
        std::memcpy(out, begin, kSatelliteIdWidth);
        out += kSatelliteIdWidth;
      }
      int written = 0;
      for (int type = 0; type < kMaxTypes; ++type) {
        int column = columns.ColumnOf(type);
        if (column < 0) continue;
        if (!v3 && written > 0 && written % kValuesPerLine2 == 0) line = out = TrimmedLineEnd(line, out);
        std::memset(out, ' ', kValueFieldWidth);
        if (column < present) {
          const char* field = values + column * kValueFieldWidth;
          size_t length = static_cast<size_t>(nl - field) < kValueFieldWidth
                              ? static_cast<size_t>(nl - field)
                              : kValueFieldWidth;
          std::memcpy(out, field, length);
        }
        out += kValueFieldWidth;
        ++written;
      }
      out = TrimmedLineEnd(line, out);
      final_.Commit(static_cast<size_t>(out - start));
    }
    held = static_cast<size_t>(end - begin);
    std::memmove(buffer.data(), begin, held);
  }
  if (held > 0) final_.Write(buffer.data(), held);  // a last line without its end: none is written so
  return !spool_.ReadFailed(error);
}

void ObservationFile::Discard() {
  spool_.Discard();
  final_.Discard();
}

}  // namespace jpsrinex
