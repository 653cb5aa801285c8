// What the commands that read a KEL file back take from the EPP file beside
// it, the same as the RINEX export takes: the full GPS week of each epoch
// (the KEL file holds seconds of the week only; a ten-bit week is read in
// the era RecordingWeek gives) and the orbital slot that each GLONASS
// frequency channel stands for over time.
#pragma once

#include <cstdint>
#include <string>

#include "support/kel_records.h"
#include "tools/jpsconv/rinex_session.h"

namespace jpsconv {

class KelEppContext {
 public:
  // Reads the EPP file beside the KEL file kel (written with this header).
  // Without one, or without a GPS ephemeris in it, nothing is known.
  void Load(const std::string& kel, const jps::KelHeader& header);
  bool knowsWeeks() const { return !session_.weeks.empty(); }
  // The full week of an epoch at this time of week; -1 when unknown.
  int32_t WeekOf(double secondsOfWeek) const;
  // The GLONASS slot (1-24) of a KEL satellite number at the epoch of this
  // full week (WeekOf's) and time of week; 0 when it is no GLONASS number,
  // the week is unknown (-1) or no ephemeris tells.
  int SlotAt(int number, int32_t week, double secondsOfWeek) const;

 private:
  RinexSession session_;
};

}  // namespace jpsconv
