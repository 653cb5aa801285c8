// The text pieces of RINEX files shared by the observation and navigation
// writers of both versions: header lines (content in columns 1-60, label in
// 61-80), satellite names and the time fields of epochs and records.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "support/gnss_signals.h"
#include "support/gps_weeks.h"
#include "tools/rinex/rinex_numbers.h"

namespace jpsrinex {

enum class RinexVersion { k304, k211 };
// "3.04", "2.11": as RINEX headers and command lines write the version.
const char* RinexVersionText(RinexVersion version);

constexpr size_t kHeaderContentColumns = 60;
constexpr size_t kHeaderLabelColumns = 20;
constexpr size_t kHeaderNameColumns = 20;  // the A20 fields of the header lines
constexpr int kSatelliteIdWidth = 3;       // "G05"
constexpr int kMaxSatelliteNumber = 63;    // the most a satellite's two digits name here

// A header line of exactly 80 columns and a line feed: the content cut or
// padded to 60 columns, the label padded to 20.
std::string HeaderLine(const std::string& content, const char* label);
// The "PGM / RUN BY / DATE" and "LEAP SECONDS" lines of every file's header.
std::string ProgramLine(const std::string& program, const std::string& runBy,
                        const std::string& runDate);
std::string LeapSecondsLine(int leapSeconds);
// text left-aligned in width columns (Fortran An), cut to it.
std::string TextField(const std::string& text, size_t width);
// The fields as text; a value that does not fit is a blank field.
std::string FixedText(double value, FixedFormat format);
std::string IntegerText(int64_t value, int width);

// "G05", "R24", "S20": the system letter and the number in two digits.
char* WriteSatelliteId(char* out, char system, int number);
std::string SatelliteId(char system, int number);

// The epoch of an observation record. 3.04: " yyyy mm dd hh mm" and
// F11.7 seconds (1X,I4,4(1X,I2.2),F11.7); 2.11: " yy mm dd hh mm" and F11.7
// (1X,I2.2,4(1X,I2),F11.7). Returns the end.
constexpr int kEpochTimeWidth3 = 28;
constexpr int kEpochTimeWidth2 = 26;
char* WriteEpochTime(char* out, const jps::DateTime& t, RinexVersion version);

// TIME OF FIRST / LAST OBS: 5I6,F13.7,5X,A3.
std::string HeaderTime(const jps::DateTime& t, const char* timeSystem);
// The epoch of a navigation record after the satellite: 3.04 " yyyy mm dd hh mm ss"
// (1X,I4,5(1X,I2.2), the seconds as the nearest whole second); 2.11
// " yy mm dd hh mm ss.s" (1X,I2.2,4(1X,I2),F5.1).
std::string NavTime(const jps::DateTime& t, RinexVersion version);

// The run date of PGM / RUN BY / DATE: "yyyymmdd hhmmss UTC" of seconds
// since 1970 (UTC).
std::string RunDateText(int64_t unixSeconds);

// The system's RINEX letter.
inline char SystemLetter(jps::GnssSystem s) { return jps::RinexSystemLetter(s); }

}  // namespace jpsrinex
