// Satellite numbers of the KEL and EPP files, and the carriers of GPS and GLONASS.
// GPS satellites are numbered by PRN, GLONASS satellites 45 plus their
// frequency channel. The receiver's satellite indices use the same numbers
// for these two systems and go on beyond them: 33 to 37 are GPS PRNs that the
// KEL numbering has no place for, 71 to 119 Galileo, later numbers other
// systems. An epoch of the KEL file holds only GPS and GLONASS numbers.
#pragma once

namespace jps {

constexpr int kFirstGpsNumber = 1;
constexpr int kLastGpsNumber = 32;
constexpr int kGlonassNumberOffset = 45;   // number = 45 + frequency channel
constexpr int kFirstGlonassNumber = 38;    // channel -7
constexpr int kLastGlonassNumber = 70;     // channel +25, the last the tables hold

constexpr bool IsGpsNumber(int sv) { return sv >= kFirstGpsNumber && sv <= kLastGpsNumber; }
constexpr bool IsGlonassNumber(int sv) {
  return sv >= kFirstGlonassNumber && sv <= kLastGlonassNumber;
}
// A number that a KEL epoch may hold.
constexpr bool IsKelSatellite(int sv) { return IsGpsNumber(sv) || IsGlonassNumber(sv); }
// A satellite that an epoch takes; GPS-only conversions leave GLONASS out.
constexpr bool EpochTakesSatellite(int sv, bool gpsOnly) {
  return gpsOnly ? IsGpsNumber(sv) : IsKelSatellite(sv);
}

constexpr int GlonassChannel(int sv) { return sv - kGlonassNumberOffset; }
constexpr int GlonassNumber(int channel) { return channel + kGlonassNumberOffset; }

// GPS carriers and their wavelengths (c / f).
constexpr double kGpsL1Frequency = 1575420000.0;      // Hz
constexpr double kGpsL2Frequency = 1227600000.0;
constexpr double kGpsL1Wavelength = 0.190293672798;   // metres
constexpr double kGpsL2Wavelength = 0.24421021342456825;

// A GLONASS channel's carriers are fixed: 1602 MHz + k x 562.5 kHz on L1 and
// 1246 MHz + k x 437.5 kHz on L2.
constexpr double kGlonassL1Base = 1602000000.0;   // Hz
constexpr double kGlonassL1Step = 562500.0;
constexpr double kGlonassL2Base = 1246000000.0;
constexpr double kGlonassL2Step = 437500.0;

constexpr double GlonassL1Frequency(int channel) { return channel * kGlonassL1Step + kGlonassL1Base; }
constexpr double GlonassL2Frequency(int channel) { return channel * kGlonassL2Step + kGlonassL2Base; }

}  // namespace jps
