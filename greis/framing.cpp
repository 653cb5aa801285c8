#include "greis/framing.h"

#include "greis/jps_input.h"

namespace jps {

FramingState Framing;

const char MessageIdTable[kMessageIdCount][3] = {
    "~~", "SI", "RD", "RC", "R1", "R2", "PV", "PC", "P1", "P2", "PS", "PG", "GE", "GA", "NN",
    "NE", "NA", "UO", "EL", "EC", "E1", "E2", "AZ", "CC", "C1", "C2", "CP", "DC", "D1", "D2",
    "DO", "==", "TO", "TC", "TT", "rc", "r1", "r2", "rE", "rM", "1r", "1p", "1R", "1P", "2r",
    "2p", "2R", "2P", "cc", "c1", "c2", "cp", "pc", "p1", "p2", "IO", "||", "FC", "F1", "F2",
    "BL", "XA", "XB", "VG", "MF", "NP", "PO", "VE", "SS", "ST", "DP", "SG", "SP", "SV"};

namespace {

struct IdLookup {
  bool first[256];
  bool pair[256][256];
  IdLookup() : first(), pair() {
    for (const auto& id : MessageIdTable) {
      uint8_t a = static_cast<uint8_t>(id[0]);
      uint8_t b = static_cast<uint8_t>(id[1]);
      first[a] = true;
      pair[a][b] = true;
    }
  }
};

const IdLookup& Ids() {
  static const IdLookup lookup;
  return lookup;
}

inline uint8_t Rotl2(uint8_t v) { return static_cast<uint8_t>((v << 2) | (v >> 6)); }

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

bool IsFirstIdChar(uint8_t c) { return Ids().first[c]; }
bool IsMessageId(uint8_t a, uint8_t b) { return Ids().pair[a][b]; }

uint8_t GreisChecksum(const uint8_t* message, int count) {
  if (count == 0) return 0;
  uint8_t cs = 0;
  int n = count + kFrameHeaderSize;
  for (int i = 0; i < n; ++i) cs = static_cast<uint8_t>(Rotl2(cs) ^ message[i]);
  return Rotl2(cs);
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

int ReadStreamByte(JpsInput* stream) {
  ++Framing.BytesRead;
  return stream->ReadByte();
}

int RewindStream(JpsInput* stream, int n) {
  Framing.BytesRead -= n;
  return stream->Rewind(n);
}

void ResetFraming() {
  Framing.phase = kPhaseHunt;
  Framing.fill = 0;
  Framing.length = 0;
  Framing.BytesRead = 0;
  Framing.row = nullptr;
}

}  // namespace jps
