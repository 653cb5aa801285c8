// Reads every ephemeris block of an EPP file with all its values, for the
// programs that turn an EPP file into another format: each GpsEph and GlnEph
// block in file order, and the GPS-UTC leap seconds of the closing GpsIon
// block. The values keep the units of the file: GPS angles in radians, times
// in seconds; a GlnEph block's Pos, Vel and Acc lines hold what the receiver
// sends, kilometres, km/s and km/s².
#pragma once

#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

namespace jps {

// One "GpsEph" block: "Prn", then El1 to El6 in the order they are written.
struct EppGpsBlock {
  int32_t prn;
  int32_t week;          // El1: as the receiver sent it (a ten-bit or a full week)
  int32_t messageTime;   // El1: time of week of the message, s
  double tgd;            // El1, s
  int32_t iodc;          // El1
  int32_t toc;           // El1: clock reference time, s of week
  double af2, af1, af0;  // El2: s/s², s/s, s
  int32_t iode;          // El3
  double crs;            // El3, m
  double deltaN;         // El3, rad/s
  double m0;             // El3, rad
  double cuc;            // El4, rad
  double eccentricity;   // El4
  double cus;            // El4, rad
  double sqrtA;          // El4, m^1/2
  int32_t toe;           // El5: ephemeris reference time, s of week
  double cic;            // El5, rad
  double omega0;         // El5, rad
  double cis;            // El5, rad
  double i0;             // El6, rad
  double crc;            // El6, m
  double omega;          // El6, rad
  double omegaDot;       // El6, rad/s
  double iDot;           // El6, rad/s
};

// One "GlnEph" block.
struct EppGlonassBlock {
  int32_t number;          // Prn: 45 + frequency channel
  int32_t tk;              // Tkb: time of frame start, s of the Moscow day
  int32_t tb;              // Tkb: ephemeris reference time, s of the Moscow day
  double gamma;            // Lte: relative frequency deviation
  double minusTau;         // Lte: the satellite clock correction with its sign inverted, s
  int32_t age;             // Lte: age of data, days
  double position[3];      // Pos, km
  double velocity[3];      // Vel, km/s
  double acceleration[3];  // Acc, km/s²
  int32_t flags;           // Flg
  int32_t health;          // Flg
  int32_t dayNumber;       // Ash: day within the four-year period that starts with a leap year
  double tauC;             // Ash: system time correction, s
  int32_t channel;         // Ash: frequency channel number
  int32_t slot;            // Ash: orbital slot number
};

struct EppBlocks {
  std::vector<EppGpsBlock> gps;
  std::vector<EppGlonassBlock> glonass;
  // File order of all the blocks read: (false, i) is gps[i], (true, i) glonass[i].
  std::vector<std::pair<bool, size_t>> order;
  bool hasLeapSeconds = false;
  int32_t leapSeconds = 0;  // GpsIon { Utc: }
  int badBlocks = 0;        // GpsEph or GlnEph blocks with a line missing or unreadable
};

constexpr int kEppBlocksRead = 0;
constexpr int kEppCannotOpen = -1;
constexpr int kEppNotKeywordFile = 1;  // the first line does not begin with "$EPHREC"

// Reads the file into *out (emptied first). kEppBlocksRead, kEppCannotOpen
// (errno tells why), or kEppNotKeywordFile. A block whose lines do not all
// read with their number of values is counted in badBlocks and left out.
int ReadEppBlocks(const char* path, EppBlocks* out);

}  // namespace jps
