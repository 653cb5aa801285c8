// The fixed-column fields of RINEX 3.04 text files.
#pragma once

#include <string>

#include "support/gps_weeks.h"

namespace jpsconv {

constexpr size_t kRinexContentColumns = 60;  // a header line's content: columns 1-60
constexpr size_t kRinexLabelColumns = 20;    // its label: columns 61-80
constexpr size_t kRinexNameColumns = 20;     // the A20 fields of the header lines
constexpr char kGpsSystem = 'G';
constexpr char kGlonassSystem = 'R';

// A header line of exactly 80 columns: the content cut or padded to 60, the
// label padded to 20, and a line feed.
std::string HeaderLine(const std::string& content, const std::string& label);

// "G05", "R24": the system letter and the number in two digits.
std::string SatelliteId(char system, int number);
// text left-aligned in a field of width (Fortran An), cut to it.
std::string TextField(const std::string& text, size_t width);
// value right-aligned in a field of width with the given decimals (Fw.d);
// false when it does not fit or is not finite.
bool FixedField(double value, int width, int decimals, std::string* out);
// value as D19.12 with the letter E: " 1.234567890123E+04" (19 characters);
// a magnitude below 1e-99 is written as zero, and so is one that two
// exponent digits cannot hold (no ephemeris value comes near).
std::string NavNumber(double value);

// " yyyy mm dd hh mm ss.sssssss" (1X,I4,4(1X,I2.2),F11.7) of an epoch line.
std::string EpochTimeFields(const jps::DateTime& t);
// " yyyy mm dd hh mm ss" (1X,I4,5(1X,I2.2)) of a navigation record; the
// seconds as the nearest whole second.
std::string NavTimeFields(const jps::DateTime& t);
// "  yyyy    mm    dd    hh    mm   ss.sssssss     GPS" (5I6,F13.7,5X,A3).
std::string HeaderTimeFields(const jps::DateTime& t);

}  // namespace jpsconv
