#include "support/station_reader.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "support/line_reader.h"

namespace jps {
namespace {

constexpr const char* kStationLineStart = "STA: ";
constexpr char kFieldSeparator = '*';
constexpr int kStationFields = 5;  // time, name, height, description, antenna

struct FileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};

// The text between two separators without the blank on either side that the
// writer puts there.
std::string FieldText(const char* begin, const char* end) {
  if (begin < end && *begin == ' ') ++begin;
  if (end > begin && end[-1] == ' ') --end;
  return std::string(begin, end);
}

bool ParseNumber(const std::string& text, double* value) {
  if (text.empty()) return false;
  char* end = nullptr;
  *value = std::strtod(text.c_str(), &end);
  return *end == '\0';
}

}  // namespace

bool ParseStationLine(const char* line, StationRecord* out) {
  size_t start = std::strlen(kStationLineStart);
  if (std::strncmp(line, kStationLineStart, start) != 0 || line[start] != kFieldSeparator) {
    return false;
  }
  // Each field ends at the next separator; the antenna text is the last one,
  // so a separator typed into it stays part of it.
  std::string fields[kStationFields];
  const char* p = line + start + 1;
  for (int i = 0; i < kStationFields; ++i) {
    const char* end =
        i + 1 < kStationFields ? std::strchr(p, kFieldSeparator) : std::strrchr(p, kFieldSeparator);
    if (end == nullptr) return false;
    fields[i] = FieldText(p, end);
    p = end + 1;
  }
  StationRecord record;
  if (!ParseNumber(fields[0], &record.time) || !ParseNumber(fields[2], &record.antennaHeight)) {
    return false;
  }
  record.name = fields[1];
  record.description = fields[3];
  record.antenna = fields[4];
  *out = record;
  return true;
}

bool ReadStationLines(const char* path, std::vector<StationRecord>* out) {
  out->clear();
  std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path, "rb"));
  if (!file) return false;
  char line[kTextLineSize];
  while (ReadTextLine(file.get(), line) >= 0) {
    StationRecord record;
    if (ParseStationLine(line, &record)) out->push_back(record);
  }
  return true;
}

}  // namespace jps
