#include "tools/simulator/rm_records.h"

#include <algorithm>
#include <cmath>

#include "support/satellite_numbers.h"
#include "tools/simulator/greis_measurements.h"

namespace jpssim {
namespace {

using jpsbuild::Body;

constexpr double kRangeUnit = 0.02;               // m
constexpr double kPhaseUnit = 0.0005;             // m
constexpr double kClockUnit = 125e-9;             // s
constexpr double kDopplerScale = 1000.0 * 128.0;  // counts per Hz (0.001 Hz, 7 fraction bits)
constexpr uint32_t kClockValid = 1;
constexpr uint32_t kSignalL1Ca = 0;
constexpr uint32_t kSignalL2 = 2;
constexpr uint32_t kSignalTypeShift = 9;
constexpr uint32_t kPhaseShift = 12;
constexpr int32_t kPhaseLimit = (1 << 19) - 1;  // 20-bit signed field
constexpr uint32_t kEmptyBlock = 0xFFFFFFFFu;
constexpr uint32_t kMissingRelative = 0x7FFFu;
constexpr uint32_t kMissingDoppler = 0xFFFFFFFFu;
constexpr uint32_t kMaxLockTenths = 0xFFFE;
constexpr uint32_t kDopplerAbsentCode = 1;
constexpr uint32_t kWeekMask = 0x7FF;
// The converter's wavelengths for GPS signals, which the phases are sent against.

double Wavelength(const SatObservation& o, bool l2) {
  if (!o.glonass) return l2 ? jps::kGpsL2Wavelength : jps::kGpsL1Wavelength;
  return kLightSpeed / (l2 ? o.l2Frequency : o.l1Frequency);
}

// Signal word: SNR in bits 0-5, type in 9-11, the phase in 12-31.
uint32_t SignalWord(double phaseMetres, double rangeMetres, uint32_t type, double snr) {
  double p = std::nearbyint((phaseMetres - rangeMetres) / kPhaseUnit);
  if (p < -kPhaseLimit || p > kPhaseLimit) return kEmptyBlock;
  uint32_t snrBits = static_cast<uint32_t>(std::clamp(std::lround(snr), 0L, 63L));
  uint32_t word = (static_cast<uint32_t>(static_cast<int32_t>(p)) << kPhaseShift) |
                  (type << kSignalTypeShift) | snrBits;
  return word == kEmptyBlock ? word - 1 : word;
}

}  // namespace

jpsbuild::Bytes RmEpochRecord(const ReceiverEpoch& epoch, bool withDoppler) {
  Body b;
  int32_t clockCount = static_cast<int32_t>(std::lround(epoch.clockOffset / kClockUnit));
  uint32_t satellites = static_cast<uint32_t>(epoch.satellites.size());
  b.U2(0)
      .U2(static_cast<uint32_t>(epoch.tag.week) & kWeekMask)
      .U4(static_cast<uint32_t>(std::llround(epoch.tag.secondsOfWeek * 1000.0)))
      .I2(static_cast<int32_t>(static_cast<uint32_t>(clockCount) << 2 | kClockValid))
      .U2(satellites << 8 | (withDoppler ? 0 : kDopplerAbsentCode) << 13);
  // The record has marks for a missing L2 range and Doppler only: an empty
  // block would leave the previous record's values behind, so the C/A range
  // and both phases are always sent.
  for (const SatObservation& o : epoch.satellites) {
    double rangeCount = std::nearbyint(o.caRange / kRangeUnit);
    // Phases are sent against the range as the converter will read it.
    double range = rangeCount * kRangeUnit;
    b.U4(static_cast<uint32_t>(rangeCount));
    b.U1(o.index);
    b.U1(1);  // one block after the first: L1 C/A, then L2
    uint32_t lockTenths = std::min(kMaxLockTenths, static_cast<uint32_t>(o.lockTime * 10.0));
    // L1 C/A block.
    b.I2(0);
    b.U4(SignalWord(o.l1Phase * Wavelength(o, false), range, kSignalL1Ca, o.snr));
    b.I2(LoopFlags(o));
    b.U2(lockTenths);
    if (withDoppler) {
      double d = std::nearbyint(o.doppler * kDopplerScale);
      b.U4(o.hasDoppler ? static_cast<uint32_t>(static_cast<int32_t>(d == -1 ? -2 : d))
                        : kMissingDoppler);
    }
    // L2 block: the P2 range against the C/A range, and the L2 phase.
    double relative = std::nearbyint((o.p2Range - range) / kRangeUnit);
    bool hasRelative = o.hasP2Range && relative > INT16_MIN && relative < INT16_MAX;
    b.U2(hasRelative ? static_cast<uint32_t>(static_cast<int32_t>(relative)) & 0xFFFFu
                     : kMissingRelative);
    b.U4(SignalWord(o.l2Phase * Wavelength(o, true), range, kSignalL2, o.p2Snr));
    b.I2(LoopFlags(o));
    b.U2(lockTenths);
    if (withDoppler) b.U4(kMissingDoppler);
  }
  return jpsbuild::RmRecord(b);
}

}  // namespace jpssim
