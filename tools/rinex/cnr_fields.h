// The observation fields of C/N0 values, a quarter of the values of a body:
// the receiver gives C/N0 in whole or quarter dB-Hz, so each field (value,
// blank loss-of-lock indicator, signal-strength indicator) is taken from a
// table made once with the writer's own WriteObservationField and
// StrengthIndicator; any other value is written as it comes.
#pragma once

#include "tools/rinex/rinex_numbers.h"

namespace jpsrinex {

class CnrFields {
 public:
  CnrFields();
  // The field of cnr, kObservationFieldWidth characters; null when cnr is
  // not a positive whole number of quarters below the table's end.
  const char* Find(double cnr) const {
    double quarters = cnr * kQuartersPerDbHz;  // exact: a power of two
    if (!(quarters > 0 && quarters < kQuarters)) return nullptr;
    int i = static_cast<int>(quarters);
    return i == quarters ? fields_[i] : nullptr;
  }

  // The signal-strength indicator of a field.
  static char Strength(const char* field) { return field[kObservationFieldWidth - 1]; }

  static constexpr double kQuartersPerDbHz = 4.0;
  static constexpr int kQuarters = 1024;  // up to 255.75 dB-Hz, the receiver's byte

 private:
  char fields_[kQuarters][kObservationFieldWidth];
};

}  // namespace jpsrinex
