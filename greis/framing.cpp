#include "greis/framing.h"

#include "support/little_endian.h"

namespace jps {

FramingState Framing;

constexpr char MessageIdTable[kMessageIdCount][3] = {
    "~~", "SI", "RD", "RC", "R1", "R2", "PV", "PC", "P1", "P2", "PS", "PG", "GE", "GA", "NN",
    "NE", "NA", "UO", "EL", "EC", "E1", "E2", "AZ", "CC", "C1", "C2", "CP", "DC", "D1", "D2",
    "DO", "==", "TO", "TC", "TT", "rc", "r1", "r2", "rE", "rM", "1r", "1p", "1R", "1P", "2r",
    "2p", "2R", "2P", "cc", "c1", "c2", "cp", "pc", "p1", "p2", "IO", "||", "FC", "F1", "F2",
    "BL", "XA", "XB", "VG", "MF", "NP", "PO", "VE", "SS", "ST", "DP", "SG", "SP", "SV"};

namespace {

constexpr MessageIdLookup BuildMessageIdLookup() {
  MessageIdLookup lookup{};
  for (const auto& id : MessageIdTable) {
    uint8_t a = static_cast<uint8_t>(id[0]);
    uint8_t b = static_cast<uint8_t>(id[1]);
    lookup.first[a] = true;
    lookup.second[a][b >> 5] |= 1u << (b & 31);
  }
  return lookup;
}

inline uint8_t Rotl2(uint8_t v) { return static_cast<uint8_t>((v << 2) | (v >> 6)); }
inline uint8_t Rotl(uint8_t v, int bits) {
  return bits == 0 ? v : static_cast<uint8_t>((v << bits) | (v >> (8 - bits)));
}

int HexPair(uint8_t a, uint8_t b) {
  bool valid = (a >= '0' && a <= '9') || (a >= 'A' && a <= 'F');
  if (!valid) return 0;
  auto nibble = [](uint8_t x) { return x < 'A' ? x - 48 : x - 55; };
  return (nibble(a) * 16 + nibble(b)) & 0xFF;
}

struct CrcTable {
  uint16_t entry[256];
  CrcTable() {
    for (int b = 0; b < 256; ++b) {
      uint16_t reg = 0;
      for (int bit = 7; bit >= 0; --bit) {
        bool top = (reg & 0x8000) != 0;
        bool in = ((b >> bit) & 1) != 0;
        reg = static_cast<uint16_t>(reg << 1);
        if (top != in) reg ^= 0x1021;
      }
      entry[b] = reg;
    }
  }
};

}  // namespace

constexpr MessageIdLookup MessageIds = BuildMessageIdLookup();

// The fold rotates by 2 bits per byte, so a byte's share in the result is the
// byte rotated by 2 x (bytes after it + 1), and rotations repeat every four
// bytes: the bytes whose distance from the end is equal modulo 4 can be
// XORed together first, eight at a time, and rotated once.
uint8_t GreisChecksum(const uint8_t* message, int count) {
  if (count == 0) return 0;
  const size_t n = static_cast<size_t>(count) + kFrameHeaderSize;
  uint64_t lanes = 0;
  size_t i = 0;
  for (; i + 8 <= n; i += 8) lanes ^= LoadU64(message + i);
  uint8_t cs = 0;
  for (int j = 0; j < 8; ++j) {
    // Byte j of every word sits at a position i with i % 4 == j % 4.
    int distance = static_cast<int>((n - 1 - static_cast<size_t>(j)) & 3);
    cs ^= Rotl(static_cast<uint8_t>(lanes >> (8 * j)), 2 * ((distance + 1) & 3));
  }
  for (; i < n; ++i) {
    int distance = static_cast<int>((n - 1 - i) & 3);
    cs ^= Rotl(message[i], 2 * ((distance + 1) & 3));
  }
  return cs;
}

int ParseHexLength(const uint8_t* c) {
  int low = HexPair(c[1], c[2]);
  int high = HexPair('0', c[0]);
  int value = static_cast<int16_t>(high * 256 + low);
  if (value < 0 || value > kMaxMessageLength) return -1;
  return value;
}

uint16_t Crc16(const uint8_t* data, size_t n) {
  static const CrcTable table;  // built on first use
  uint16_t crc = 0;
  for (size_t i = 0; i < n; ++i) {
    crc = static_cast<uint16_t>((crc << 8) ^ table.entry[((crc >> 8) ^ data[i]) & 0xFF]);
  }
  return crc;
}

bool RmCrcOk(const uint8_t* message, int L) {
  if (L < 2) return false;
  const uint8_t* body = message + kFrameHeaderSize;
  uint16_t carried = static_cast<uint16_t>(body[L - 2] | (body[L - 1] << 8));
  return Crc16(message, static_cast<size_t>(kFrameHeaderSize + L - 2)) == carried;
}

void ResetFraming() {
  Framing.phase = kPhaseHunt;
  Framing.fill = 0;
  Framing.length = 0;
  Framing.BytesRead = 0;
  Framing.row = nullptr;
}

}  // namespace jps
