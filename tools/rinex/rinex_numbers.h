// The number fields of RINEX text, written without printf: Fortran Fw.d
// fixed-point fields and the navigation records' D19.12 numbers. Each value
// is the exact binary value rounded to the field's decimals, halves to even,
// as the C library's printf rounds it, so the text is the same as printf's
// would be; only the time each value takes differs.
#pragma once

#include <cstdint>

namespace jpsrinex {

// A fixed-point field: width characters, decimals after the point (Fw.d).
struct FixedFormat {
  int width;
  int decimals;
};

// The fields of the files, each defined once.
constexpr FixedFormat kObservationFormat{14, 3};   // an observation value
constexpr FixedFormat kClockFormat{15, 12};        // 3.04 epoch line: receiver clock offset, s
constexpr FixedFormat kClockFormat2{12, 9};        // 2.11 epoch line: receiver clock offset, s
constexpr FixedFormat kEpochSecondFormat{11, 7};   // seconds of an observation epoch
constexpr FixedFormat kHeaderSecondFormat{13, 7};  // seconds of TIME OF FIRST / LAST OBS
constexpr FixedFormat kNavSecondFormat2{5, 1};     // 2.11 navigation record: seconds
constexpr FixedFormat kPositionFormat{14, 4};      // APPROX POSITION XYZ, ANTENNA: DELTA H/E/N
constexpr FixedFormat kIntervalFormat{10, 3};      // INTERVAL
constexpr FixedFormat kBiasFormat{8, 3};           // GLONASS COD/PHS/BIS

// The widest fixed-point field the writer takes.
constexpr int kMaxFixedWidth = 20;  // the scaled value stays below 2^64
constexpr int kMaxFixedDecimals = 15;

// Writes value right-aligned into exactly format.width characters at out.
// A value that is not finite or needs more characters than the field has
// leaves the field blank: false.
bool WriteFixed(char* out, double value, FixedFormat format);

// An observation value with its loss-of-lock and signal-strength
// indicators after it, as the lines of the body hold them (F14.3,A1,A1):
// kObservationFieldWidth characters at out. The value's text is the one
// WriteFixed writes with kObservationFormat, made the short way (these
// fields are the bulk of a file); a value that does not fit leaves the
// whole field blank: false.
constexpr int kObservationFieldWidth = kObservationFormat.width + 2;
bool WriteObservationField(char* out, double value, char lli, char strength);

// A field for WriteObservationFields.
struct ObservationField {
  char* out;
  double value;
  char lli, strength;
};
// Writes n fields as WriteObservationField does, in one loop (a line's
// values); returns how many were left blank.
int WriteObservationFields(const ObservationField* fields, int n);

// A navigation record's number, D19.12 written with the letter E:
// " 1.234567890123E+04", "-1.234567890123E-09" (19 characters at out). A
// magnitude below 1E-99 is written as zero (two exponent digits cannot hold
// it; no broadcast value is that small but zero); one of 1E+100 or more, or
// not finite, leaves the field blank: false.
constexpr int kNavNumberWidth = 19;
constexpr int kNavNumberDecimals = 12;
bool WriteNavNumber(char* out, double value);

// An integer right-aligned in width characters (Fortran Iw), or with
// leading zeros (Iw.w) when zeroPad; blank and false when it does not fit.
bool WriteInteger(char* out, int64_t value, int width, bool zeroPad = false);

// round-half-even(|m x 2^e| x 10^s) for the mantissa and exponent of a
// double: exact at every magnitude (the value must be below 2^64).
uint64_t ExactScaledRound(uint64_t mantissa, int exponent, int decimalShift);

}  // namespace jpsrinex
