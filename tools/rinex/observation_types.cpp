#include "tools/rinex/observation_types.h"

#include <cstring>

namespace jpsrinex {
namespace {

constexpr const char* kTypes2[kMaxTypes] = {"C1", "L1", "D1", "S1", "P1", "P2", "L2",
                                            "D2", "S2", "C2", "C5", "L5", "D5", "S5",
                                            "C6", "L6", "D6", "S6", "C7", "L7", "D7",
                                            "S7", "C8", "L8", "D8", "S8"};
// dB-Hz per step of the indicator: 1 below 12 dB-Hz, 9 from 54 on.
constexpr double kStrengthStep = 6.0;
constexpr int kMinStrength = 1;
constexpr int kMaxStrength = 9;

int Type2(const char* name) {
  for (int i = 0; i < kMaxTypes; ++i) {
    if (std::strcmp(kTypes2[i], name) == 0) return i;
  }
  return -1;
}

// The 2.11 name of a value of GPS or GLONASS; "" for none.
void Name2GpsGlonass(jps::GnssSystem system, int slot, int kind, char* name) {
  name[0] = '\0';
  char k = kKindLetters[kind];
  switch (static_cast<jps::SignalSlot>(slot)) {
    case jps::SignalSlot::kCa:
      name[0] = k, name[1] = '1';
      break;
    case jps::SignalSlot::kP1:
      if (kind == kCodeKind) name[0] = 'P', name[1] = '1';
      break;
    case jps::SignalSlot::kP2:
      name[0] = kind == kCodeKind ? 'P' : k, name[1] = '2';
      break;
    case jps::SignalSlot::kCa2:
      if (kind == kCodeKind) name[0] = 'C', name[1] = '2';
      break;
    case jps::SignalSlot::kL5:
      if (system == jps::GnssSystem::kGps) name[0] = k, name[1] = '5';
      break;
    case jps::SignalSlot::kL1c:
      break;
  }
  if (name[0] != '\0') name[2] = '\0';
}

}  // namespace

ObservationTypes::ObservationTypes(RinexVersion version) : version_(version) {
  std::memset(type_, -1, sizeof type_);
  std::memset(names_, 0, sizeof names_);
  for (int s = 0; s < jps::kGnssSystemCount; ++s) {
    auto system = static_cast<jps::GnssSystem>(s);
    bool v3 = version == RinexVersion::k304;
    bool leftOut = !v3 && (system == jps::GnssSystem::kQzss || system == jps::GnssSystem::kBeidou);
    list_[s] = leftOut ? -1 : (v3 ? s : 0);
    if (leftOut) continue;
    for (int slot = 0; slot < jps::kSignalSlotCount; ++slot) {
      const char* code = jps::Signal(system, static_cast<jps::SignalSlot>(slot)).rinexCode;
      if (code == nullptr) continue;
      for (int kind = 0; kind < kKindCount; ++kind) {
        if (v3) {
          int t = slot * kKindCount + kind;
          type_[s][slot][kind] = static_cast<int8_t>(t);
          char* n = names_[s][t];
          n[0] = kKindLetters[kind], n[1] = code[0], n[2] = code[1], n[3] = '\0';
          continue;
        }
        char name[kTypeNameSize] = "";
        if (system == jps::GnssSystem::kGps || system == jps::GnssSystem::kGlonass) {
          Name2GpsGlonass(system, slot, kind, name);
        } else {  // Galileo and SBAS: by band
          name[0] = kKindLetters[kind], name[1] = code[0], name[2] = '\0';
        }
        int t = name[0] != '\0' ? Type2(name) : -1;
        type_[s][slot][kind] = static_cast<int8_t>(t);
      }
    }
  }
  if (version == RinexVersion::k211) {
    for (int t = 0; t < kMaxTypes; ++t) {
      std::memcpy(names_[0][t], kTypes2[t], 3);
    }
  }
}

ColumnOrder::ColumnOrder() { std::memset(column_, -1, sizeof column_); }

bool ColumnOrder::InTypeOrder() const {
  int next = 0;
  for (int t = 0; t < kMaxTypes; ++t) {
    if (column_[t] < 0) continue;
    if (column_[t] != next) return false;
    ++next;
  }
  return true;
}

int StrengthIndicator(double cnr) {
  // The whole steps: truncation is the floor from 1 up.
  double steps = cnr / kStrengthStep;
  if (!(steps >= kMinStrength)) return kMinStrength;
  return steps >= kMaxStrength ? kMaxStrength : static_cast<int>(steps);
}

}  // namespace jpsrinex
