#include "tools/rinex/rinex_text.h"

#include <cmath>
#include <cstring>

#include "support/gps_time.h"
#include "tools/rinex/number_parts.h"

namespace jpsrinex {
namespace {

constexpr int kYearWidth = 4;
constexpr int kTwoDigits = 2;
constexpr int kCenturyYears = 100;
constexpr int kHeaderTimeFieldWidth = 6;  // I6
constexpr int kCalendarYearBase = 1900;

char* WriteTwo(char* out, int value, bool zeroPad) {
  *out++ = ' ';
  WriteInteger(out, value, kTwoDigits, zeroPad);
  return out + kTwoDigits;
}

}  // namespace

std::string HeaderLine(const std::string& content, const char* label) {
  return TextField(content, kHeaderContentColumns) + TextField(label, kHeaderLabelColumns) + "\n";
}

std::string ProgramLine(const std::string& program, const std::string& runBy,
                        const std::string& runDate) {
  return HeaderLine(TextField(program, kHeaderNameColumns) + TextField(runBy, kHeaderNameColumns) +
                        runDate,
                    "PGM / RUN BY / DATE");
}

std::string LeapSecondsLine(int leapSeconds) {
  constexpr int kLeapWidth = 6;  // I6
  return HeaderLine(IntegerText(leapSeconds, kLeapWidth), "LEAP SECONDS");
}

std::string TextField(const std::string& text, size_t width) {
  std::string out = text.substr(0, width);
  out.resize(width, ' ');
  return out;
}

std::string FixedText(double value, FixedFormat format) {
  std::string out(static_cast<size_t>(format.width), ' ');
  WriteFixed(&out[0], value, format);
  return out;
}

std::string IntegerText(int64_t value, int width) {
  std::string out(static_cast<size_t>(width), ' ');
  WriteInteger(&out[0], value, width);
  return out;
}

char* WriteSatelliteId(char* out, char system, int number) {
  *out = system;
  if (number >= 0 && number < 100) {  // every satellite line has one: the pair from the table
    std::memcpy(out + 1, kDigitPairs.text + kTwoDigits * number, kTwoDigits);
  } else {
    WriteInteger(out + 1, number, kTwoDigits, true);
  }
  return out + kSatelliteIdWidth;
}

std::string SatelliteId(char system, int number) {
  char id[kSatelliteIdWidth];
  WriteSatelliteId(id, system, number);
  return std::string(id, kSatelliteIdWidth);
}

const char* RinexVersionText(RinexVersion version) {
  return version == RinexVersion::k304 ? "3.04" : "2.11";
}

char* WriteEpochTime(char* out, const jps::DateTime& t, RinexVersion version) {
  *out++ = ' ';
  if (version == RinexVersion::k304) {
    WriteInteger(out, t.year, kYearWidth);
    out += kYearWidth;
  } else {
    WriteInteger(out, t.year % kCenturyYears, kTwoDigits, true);
    out += kTwoDigits;
  }
  bool pad = version == RinexVersion::k304;
  out = WriteTwo(out, t.month, pad);
  out = WriteTwo(out, t.day, pad);
  out = WriteTwo(out, t.hour, pad);
  out = WriteTwo(out, t.minute, pad);
  WriteFixed(out, t.second, kEpochSecondFormat);
  return out + kEpochSecondFormat.width;
}

std::string HeaderTime(const jps::DateTime& t, const char* timeSystem) {
  std::string out;
  for (int v : {t.year, t.month, t.day, t.hour, t.minute}) {
    out += IntegerText(v, kHeaderTimeFieldWidth);
  }
  return out + FixedText(t.second, kHeaderSecondFormat) + "     " + timeSystem;
}

std::string NavTime(const jps::DateTime& t, RinexVersion version) {
  char text[32];
  char* p = text;
  *p++ = ' ';
  bool v3 = version == RinexVersion::k304;
  if (v3) {
    WriteInteger(p, t.year, kYearWidth);
    p += kYearWidth;
  } else {
    WriteInteger(p, t.year % kCenturyYears, kTwoDigits, true);
    p += kTwoDigits;
  }
  p = WriteTwo(p, t.month, v3);
  p = WriteTwo(p, t.day, v3);
  p = WriteTwo(p, t.hour, v3);
  p = WriteTwo(p, t.minute, v3);
  if (v3) {
    p = WriteTwo(p, static_cast<int>(std::lround(t.second)), true);
  } else {
    WriteFixed(p, t.second, kNavSecondFormat2);
    p += kNavSecondFormat2.width;
  }
  return std::string(text, static_cast<size_t>(p - text));
}

std::string RunDateText(int64_t unixSeconds) {
  const jps::CalendarTime* c = jps::SecondsToCalendar(unixSeconds < 0 ? 0 : unixSeconds);
  char text[24];
  char* p = text;
  WriteInteger(p, c->year + kCalendarYearBase, kYearWidth, true);
  p += kYearWidth;
  for (int v : {c->month + 1, c->day}) {
    WriteInteger(p, v, kTwoDigits, true);
    p += kTwoDigits;
  }
  *p++ = ' ';
  for (int v : {c->hours, c->minutes, c->seconds}) {
    WriteInteger(p, v, kTwoDigits, true);
    p += kTwoDigits;
  }
  return std::string(text, static_cast<size_t>(p - text)) + " UTC";
}

}  // namespace jpsrinex
