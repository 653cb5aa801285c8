#include "support/sta_lines.h"

#include <cstdlib>
#include <cstring>

namespace jps {
namespace {

constexpr const char* kTitle = "Mark File:";
constexpr const char* kStationLead = "STA: * ";
constexpr const char* kFieldEnd = " * ";
constexpr const char* kModeLead = " ENTERING ";
constexpr const char* kModeEnd = " MODE";
constexpr const char* kKinematicWord = "KINEMATIC";
constexpr const char* kStaticWord = "STATIC";
constexpr const char* kSiteLead = "SITE ";
constexpr const char* kCanceledEnd = " CANCELED";
constexpr const char* kPulseLead = "CAMERA PULSE #";
constexpr const char* kPulseAt = " AT: ";
constexpr int kStationFields = 5;  // time, name, height, description, antenna

bool StartsWith(const char* text, const char* lead) {
  return std::strncmp(text, lead, std::strlen(lead)) == 0;
}

bool EndsWith(const char* text, size_t length, const char* end) {
  size_t n = std::strlen(end);
  return length >= n && std::strcmp(text + length - n, end) == 0;
}

// A number that fills the text exactly.
bool WholeNumber(const char* text, size_t length, double* value) {
  char buffer[kTextLineSize];
  if (length == 0 || length >= sizeof buffer) return false;
  std::memcpy(buffer, text, length);
  buffer[length] = '\0';
  char* end = nullptr;
  *value = std::strtod(buffer, &end);
  return end == buffer + length;
}

void CopyField(char (&out)[kTextLineSize], const char* text, size_t length) {
  if (length >= kTextLineSize) length = kTextLineSize - 1;
  std::memcpy(out, text, length);
  out[length] = '\0';
}

// "time * name * height * description * antenna * ": each field ends in " * ".
bool ParseStation(const char* text, StaLine* line) {
  const char* fields[kStationFields];
  size_t lengths[kStationFields];
  const char* at = text;
  for (int i = 0; i < kStationFields; ++i) {
    const char* end = std::strstr(at, kFieldEnd);
    if (end == nullptr) return false;
    fields[i] = at;
    lengths[i] = static_cast<size_t>(end - at);
    at = end + std::strlen(kFieldEnd);
  }
  if (*at != '\0') return false;
  if (!WholeNumber(fields[0], lengths[0], &line->time) ||
      !WholeNumber(fields[2], lengths[2], &line->antennaHeight)) {
    return false;
  }
  CopyField(line->name, fields[1], lengths[1]);
  CopyField(line->description, fields[3], lengths[3]);
  CopyField(line->antenna, fields[4], lengths[4]);
  return true;
}

bool ParseModeChange(const char* text, size_t length, StaLine* line) {
  const char* lead = std::strstr(text, kModeLead);
  if (lead == nullptr || !EndsWith(text, length, kModeEnd)) return false;
  if (!WholeNumber(text, static_cast<size_t>(lead - text), &line->time)) return false;
  const char* word = lead + std::strlen(kModeLead);
  size_t wordLength = length - static_cast<size_t>(word - text) - std::strlen(kModeEnd);
  if (wordLength == std::strlen(kKinematicWord) &&
      std::strncmp(word, kKinematicWord, wordLength) == 0) {
    line->kinematic = 1;
    return true;
  }
  line->kinematic = 0;
  return wordLength == std::strlen(kStaticWord) && std::strncmp(word, kStaticWord, wordLength) == 0;
}

bool ParseCameraPulse(const char* text, StaLine* line) {
  const char* number = text + std::strlen(kPulseLead);
  const char* at = std::strstr(number, kPulseAt);
  if (at == nullptr) return false;
  double pulse = 0;
  if (!WholeNumber(number, static_cast<size_t>(at - number), &pulse)) return false;
  line->pulse = static_cast<int32_t>(pulse);
  const char* time = at + std::strlen(kPulseAt);
  return WholeNumber(time, std::strlen(time), &line->time);
}

}  // namespace

StaLineKind ParseStaLine(const char* text, StaLine* line) {
  std::memset(line, 0, sizeof *line);
  size_t length = std::strlen(text);
  if (length == 0) {
    line->kind = StaLineKind::kBlank;
  } else if (std::strcmp(text, kTitle) == 0) {
    line->kind = StaLineKind::kTitle;
  } else if (StartsWith(text, kStationLead)) {
    if (ParseStation(text + std::strlen(kStationLead), line)) line->kind = StaLineKind::kStation;
  } else if (StartsWith(text, kPulseLead)) {
    if (ParseCameraPulse(text, line)) line->kind = StaLineKind::kCameraPulse;
  } else if (StartsWith(text, kSiteLead) && EndsWith(text, length, kCanceledEnd)) {
    size_t lead = std::strlen(kSiteLead), end = std::strlen(kCanceledEnd);
    if (length >= lead + end) {
      CopyField(line->name, text + lead, length - lead - end);
      line->kind = StaLineKind::kSiteCanceled;
    }
  } else if (ParseModeChange(text, length, line)) {
    line->kind = StaLineKind::kModeChange;
  }
  if (line->kind == StaLineKind::kOther) std::memset(line, 0, sizeof *line);
  return line->kind;
}

void WriteStaTitle(TextStream& stream) {
  stream.Write(kTitle);
  stream.Write("\n");
}

void WriteStaLine(TextStream& stream, const StaLine& line) {
  switch (line.kind) {
    case StaLineKind::kStation:
      stream.Printf("%s%.2lf%s%s%s%.3lf%s%s%s%s%s\n", kStationLead, line.time, kFieldEnd,
                    line.name, kFieldEnd, line.antennaHeight, kFieldEnd, line.description,
                    kFieldEnd, line.antenna, kFieldEnd);
      break;
    case StaLineKind::kModeChange:
      stream.Printf("%.1lf%s%s%s\n", line.time, kModeLead,
                    line.kinematic != 0 ? kKinematicWord : kStaticWord, kModeEnd);
      break;
    case StaLineKind::kSiteCanceled:
      stream.Printf("%s%s%s\n", kSiteLead, line.name, kCanceledEnd);
      break;
    case StaLineKind::kCameraPulse:
      stream.Printf("\n%s%d%s%.6lf\n", kPulseLead, static_cast<int>(line.pulse), kPulseAt,
                    line.time);
      break;
    default:
      break;
  }
}

}  // namespace jps
