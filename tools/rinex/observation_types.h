// The observation types of the RINEX observation files. Every value of an
// epoch is one (system, signal slot, kind) triple: kind C code, L phase,
// D Doppler, S signal strength. RINEX 3.04 names it by kind and the
// signal's code under that system ("C1W"), one list of types per system;
// RINEX 2.11 has one list for all systems, with two-character names
// ("C1", "P2", "L5") that take only some signals: C/A on L1 gives C1 L1 D1
// S1, P on L1 P1 (code only), P on L2 P2 L2 D2 S2, C/A on L2 C2 (its phase
// is left out: 2.11 has one L2 phase), L5 C5 L5 D5 S5, for GPS and GLONASS
// alike; Galileo and SBAS take the types of their band (E1 1, E5a 5, E5b 7,
// E5 AltBOC 8, E6 6); QZSS and BeiDou have no place in a 2.11 file.
#pragma once

#include <cstdint>

#include "support/gnss_signals.h"
#include "tools/rinex/rinex_text.h"

namespace jpsrinex {

enum ObservationKind : uint8_t { kCodeKind, kPhaseKind, kDopplerKind, kStrengthKind };
constexpr int kKindCount = 4;
constexpr char kKindLetters[kKindCount + 1] = "CLDS";

// Type identifiers within one list. 3.04: slot x 4 + kind; 2.11: the index
// in the list of 2.11 types. The order of the identifiers is the order of the
// types in the header: 3.04 slot by slot (c 1 2 3 5 l), C L D S in each.
constexpr int kMaxTypes = 26;
constexpr int kTypeNameSize = 4;  // "C1W" and its terminator
constexpr int kMaxLists = jps::kGnssSystemCount;

class ObservationTypes {
 public:
  explicit ObservationTypes(RinexVersion version);
  RinexVersion version() const { return version_; }
  // The list that holds the system's types; -1: the system is left out.
  int ListOf(jps::GnssSystem system) const { return list_[static_cast<int>(system)]; }
  // The type of a value; -1 when the version has no type for it.
  int TypeOf(jps::GnssSystem system, int slot, int kind) const {
    return type_[static_cast<int>(system)][slot][kind];
  }
  // The name of a type of a list ("C1W", "P2").
  const char* Name(int list, int type) const { return names_[list][type]; }
  int ListCount() const { return version_ == RinexVersion::k304 ? jps::kGnssSystemCount : 1; }
  // The system of a 3.04 list.
  static jps::GnssSystem SystemOfList(int list) { return static_cast<jps::GnssSystem>(list); }

 private:
  RinexVersion version_;
  int list_[jps::kGnssSystemCount];
  int8_t type_[jps::kGnssSystemCount][jps::kSignalSlotCount][kKindCount];
  char names_[kMaxLists][kMaxTypes][kTypeNameSize];
};

// The columns of one list in the order the body was written with: a type
// takes the next column the first time a value of it is written, so lines
// written earlier hold a prefix of the columns of later ones. The header
// lists the types in identifier order; the body's columns are put in that
// order when the files are put together.
class ColumnOrder {
 public:
  ColumnOrder();
  // The body column of a type, given one when it has none yet.
  int Column(int type) {
    if (column_[type] < 0) {
      column_[type] = static_cast<int8_t>(count_);
      ++count_;
    }
    return column_[type];
  }
  // -1 when no value of the type was written.
  int ColumnOf(int type) const { return column_[type]; }
  int count() const { return count_; }
  // True when the body's columns already are in identifier order.
  bool InTypeOrder() const;

 private:
  int8_t column_[kMaxTypes];
  int count_ = 0;
};

// RINEX's signal strength indicator (1-9) of a carrier-to-noise density.
int StrengthIndicator(double cnr);

}  // namespace jpsrinex
