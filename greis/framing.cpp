#include "greis/framing.h"

#include "greis/ephemeris_views.h"
#include "greis/satellite_messages.h"
#include "support/little_endian.h"

namespace jps {


constexpr char MessageIdTable[kMessageIdCount][3] = {
    "~~", "SI", "RD", "RC", "R1", "R2", "PV", "PC", "P1", "P2", "PS", "PG", "GE", "GA", "NN",
    "NE", "NA", "UO", "EL", "EC", "E1", "E2", "AZ", "CC", "C1", "C2", "CP", "DC", "D1", "D2",
    "DO", "==", "TO", "TC", "TT", "rc", "r1", "r2", "rE", "rM", "1r", "1p", "1R", "1P", "2r",
    "2p", "2R", "2P", "cc", "c1", "c2", "cp", "pc", "p1", "p2", "IO", "||", "FC", "F1", "F2",
    "BL", "XA", "XB", "VG", "MF", "NP", "PO", "VE", "SS", "ST", "DP", "SG", "SP", "SV"};

namespace {

constexpr void AddMessageId(MessageIdLookup& lookup, const char* id) {
  uint8_t a = static_cast<uint8_t>(id[0]);
  uint8_t b = static_cast<uint8_t>(id[1]);
  lookup.first[a] = true;
  lookup.second[a][b >> 5] |= 1u << (b & 31);
}

// The receiver's base set, and the messages of every signal slot and of the
// other systems' ephemerides, which the outputs beside the KEL file read.
constexpr MessageIdLookup BuildMessageIdLookup() {
  MessageIdLookup lookup{};
  for (const auto& id : MessageIdTable) AddMessageId(lookup, id);
  for (const auto& kind : kSatelliteMessages) AddMessageId(lookup, kind.id);
  for (const auto& id : kOtherEphemerisIds) AddMessageId(lookup, id);
  return lookup;
}

inline uint8_t Rotl(uint8_t v, int bits) {
  return bits == 0 ? v : static_cast<uint8_t>((v << bits) | (v >> (8 - bits)));
}

// CRC-16 tables for eight bytes at a time: entry[k][b] is what byte b,
// followed by k zero bytes, leaves in a register that started at zero. The
// register only reaches the first two bytes of a block, so the eight bytes'
// shares are independent lookups.
struct CrcTables {
  uint16_t entry[8][256];
  CrcTables() {
    for (int b = 0; b < 256; ++b) {
      uint16_t reg = 0;
      for (int bit = 7; bit >= 0; --bit) {
        bool top = (reg & 0x8000) != 0;
        bool in = ((b >> bit) & 1) != 0;
        reg = static_cast<uint16_t>(reg << 1);
        if (top != in) reg ^= 0x1021;
      }
      entry[0][b] = reg;
    }
    for (int k = 1; k < 8; ++k) {
      for (int b = 0; b < 256; ++b) {
        uint16_t previous = entry[k - 1][b];
        entry[k][b] = static_cast<uint16_t>((previous << 8) ^ entry[0][previous >> 8]);
      }
    }
  }
};

}  // namespace

constexpr MessageIdLookup MessageIds = BuildMessageIdLookup();

// The fold rotates by 2 bits per byte, so a byte's share in the result is the
// byte rotated by 2 x (its distance from the end + 1) bits, and rotations
// repeat every four bytes. Words of eight bytes counted back from the end
// therefore put each byte at a fixed rotation: they are XORed together and
// their byte lanes rotated once.
uint8_t GreisChecksum(const uint8_t* message, int count) {
  if (count == 0) return 0;
  const size_t n = static_cast<size_t>(count) + kFrameHeaderSize;
  uint64_t lanes = 0;
  size_t end = n;
  for (; end >= 8; end -= 8) lanes ^= LoadU64(message + end - 8);
  // The first n % 8 bytes take the top lanes of a word that starts before
  // them: the first word of the message shifted up, or byte by byte when the
  // message is shorter than a word.
  uint64_t head = 0;
  if (end > 0 && n >= 8) {
    head = LoadU64(message) << (8 * (8 - end));
  } else {
    for (size_t i = 0; i < end; ++i) head |= static_cast<uint64_t>(message[i]) << (8 * (8 - end + i));
  }
  lanes ^= head;
  uint32_t folded = static_cast<uint32_t>(lanes ^ (lanes >> 32));
  // Lane j of a word ending at the end lies (4 - j) % 4 bytes from the end
  // (modulo 4): lane 0 is rotated by 0 bits, lane 1 by 6, lane 2 by 4, lane 3 by 2.
  return static_cast<uint8_t>(folded) ^ Rotl(static_cast<uint8_t>(folded >> 8), 6) ^
         Rotl(static_cast<uint8_t>(folded >> 16), 4) ^ Rotl(static_cast<uint8_t>(folded >> 24), 2);
}

uint16_t Crc16(const uint8_t* data, size_t n) {
  static const CrcTables tables;  // built on first use
  const auto& t = tables.entry;
  uint16_t crc = 0;
  for (; n >= 8; data += 8, n -= 8) {
    crc = static_cast<uint16_t>(t[7][(crc >> 8) ^ data[0]] ^ t[6][(crc & 0xFF) ^ data[1]] ^
                                t[5][data[2]] ^ t[4][data[3]] ^ t[3][data[4]] ^ t[2][data[5]] ^
                                t[1][data[6]] ^ t[0][data[7]]);
  }
  for (; n > 0; ++data, --n) {
    crc = static_cast<uint16_t>((crc << 8) ^ t[0][((crc >> 8) ^ *data) & 0xFF]);
  }
  return crc;
}

bool RmCrcOk(const uint8_t* message, int L) {
  if (L < 2) return false;
  const uint8_t* body = message + kFrameHeaderSize;
  uint16_t carried = static_cast<uint16_t>(body[L - 2] | (body[L - 1] << 8));
  return Crc16(message, static_cast<size_t>(kFrameHeaderSize + L - 2)) == carried;
}

void ResetFraming(FramingState& f) {
  f.phase = kPhaseHunt;
  f.fill = 0;
  f.length = 0;
  f.BytesRead = 0;
  f.row = nullptr;
}

}  // namespace jps
