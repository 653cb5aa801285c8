#include "tools/builder/message_builder.h"

#include <cstdio>
#include <cstring>
#include <utility>

#include "greis/framing.h"
#include "support/little_endian.h"

namespace jpsbuild {

Body& Body::U1(uint32_t v) {
  bytes_.push_back(static_cast<uint8_t>(v));
  return *this;
}
Body& Body::U2(uint32_t v) {
  uint8_t b[2];
  jps::StoreU16(b, static_cast<uint16_t>(v));
  bytes_.insert(bytes_.end(), b, b + 2);
  return *this;
}
Body& Body::U4(uint32_t v) {
  uint8_t b[4];
  jps::StoreU32(b, v);
  bytes_.insert(bytes_.end(), b, b + 4);
  return *this;
}
Body& Body::F4(float v) {
  uint8_t b[4];
  jps::StoreF32(b, v);
  bytes_.insert(bytes_.end(), b, b + 4);
  return *this;
}
Body& Body::F8(double v) {
  uint8_t b[8];
  jps::StoreF64(b, v);
  bytes_.insert(bytes_.end(), b, b + 8);
  return *this;
}
Body& Body::F8Bits(uint64_t bits) {
  uint8_t b[8];
  jps::StoreU64(b, bits);
  bytes_.insert(bytes_.end(), b, b + 8);
  return *this;
}
Body& Body::Text(const std::string& text) {
  bytes_.insert(bytes_.end(), text.begin(), text.end());
  return *this;
}
Body& Body::Raw(const Bytes& bytes) {
  bytes_.insert(bytes_.end(), bytes.begin(), bytes.end());
  return *this;
}
Body& Body::Zeros(size_t n) {
  bytes_.insert(bytes_.end(), n, 0);
  return *this;
}

namespace {

uint8_t Checksum(const uint8_t* first, const uint8_t* last) {
  uint8_t cs = 0;
  for (; first != last; ++first) cs = static_cast<uint8_t>(((cs << 2) | (cs >> 6)) ^ *first);
  return static_cast<uint8_t>((cs << 2) | (cs >> 6));
}

constexpr int kLengthDigits = 3;
constexpr int kLengthMask = 0xFFF;

}  // namespace

uint8_t ChecksumFor(const Bytes& headerAndBody) {
  return Checksum(headerAndBody.data(), headerAndBody.data() + headerAndBody.size());
}

std::string HexLength(int length) {
  char text[8];
  std::snprintf(text, sizeof text, "%03X", length & kLengthMask);
  return text;
}

void AppendMessage(Bytes& out, const std::string& id, const Body& body) {
  static const char kHex[] = "0123456789ABCDEF";
  size_t start = out.size();
  int length = (static_cast<int>(body.size()) + 1) & kLengthMask;
  out.insert(out.end(), id.begin(), id.end());
  for (int shift = 4 * (kLengthDigits - 1); shift >= 0; shift -= 4) {
    out.push_back(static_cast<uint8_t>(kHex[(length >> shift) & 0xF]));
  }
  out.insert(out.end(), body.bytes().begin(), body.bytes().end());
  out.push_back(Checksum(out.data() + start, out.data() + out.size()));
}

Bytes MessageWithLengthText(const std::string& id, const std::string& lengthText, const Body& body) {
  Bytes m(id.begin(), id.end());
  m.insert(m.end(), lengthText.begin(), lengthText.end());
  m.insert(m.end(), body.bytes().begin(), body.bytes().end());
  m.push_back(ChecksumFor(m));
  return m;
}

Bytes Message(const std::string& id, const Body& body) {
  Bytes m;
  AppendMessage(m, id, body);
  return m;
}

Bytes RmRecord(const Body& body) {
  std::string length = HexLength(static_cast<int>(body.size()) + 2);
  std::string header = "rM" + length;
  Bytes m(header.begin(), header.end());
  m.insert(m.end(), body.bytes().begin(), body.bytes().end());
  uint16_t crc = jps::Crc16(m.data(), m.size());
  m.push_back(static_cast<uint8_t>(crc));
  m.push_back(static_cast<uint8_t>(crc >> 8));
  return m;
}

namespace {

template <typename T, typename Write>
Bytes Entries(const std::string& id, const std::vector<T>& values, Write write) {
  Body b;
  for (const T& v : values) (b.*write)(v);
  return Message(id, b);
}

}  // namespace

Bytes F8Entries(const std::string& id, const std::vector<double>& values) {
  return Entries(id, values, &Body::F8);
}
Bytes I4Entries(const std::string& id, const std::vector<int32_t>& values) {
  return Entries(id, values, &Body::I4);
}
Bytes U4Entries(const std::string& id, const std::vector<uint32_t>& values) {
  return Entries(id, values, &Body::U4);
}
Bytes U2Entries(const std::string& id, const std::vector<uint32_t>& values) {
  return Entries(id, values, &Body::U2);
}

Bytes ReceiverTime(uint32_t msOfDay) { return Message("~~", Body().U4(msOfDay)); }

Bytes ReceiverDate(int year, int month, int day, int timeBase) {
  return Message("RD", Body().U2(year).U1(month).U1(day).U1(timeBase));
}

Bytes SatIndices(const std::vector<uint8_t>& satellites) {
  Body b;
  for (uint8_t sv : satellites) b.U1(sv);
  return Message("SI", b);
}

Bytes CaRanges(const std::vector<double>& seconds) { return F8Entries("RC", seconds); }

Bytes CaPhases(const std::vector<double>& cycles) { return F8Entries("PC", cycles); }

Bytes EpochEnd() { return Message("||", Body()); }

Bytes EventRecord(uint32_t msOfDay, const std::string& text) {
  return Message("==", Body().U4(msOfDay).U1(0).Text(text));
}

Bytes EventMark(const std::string& id, uint32_t msOfDay, int32_t nanoseconds, int timeScale) {
  return Message(id, Body().U4(msOfDay).I4(nanoseconds).U1(static_cast<uint32_t>(timeScale)));
}

void Append(Bytes& a, const Bytes& b) { a.insert(a.end(), b.begin(), b.end()); }

Bytes Damaged(Bytes message, size_t offset, uint8_t xorMask) {
  if (offset < message.size()) message[offset] ^= xorMask;
  return message;
}

uint32_t RmSignalWord(uint32_t snr, uint32_t type, int32_t phaseMinusRange) {
  return (snr & 0x3F) | ((type & 0x7) << 9) | (static_cast<uint32_t>(phaseMinusRange) << 12);
}

RmBlock MakeRmBlock(uint32_t type, int32_t phaseMinusRange, uint32_t snr, int32_t loopFlags,
                    uint32_t lockTenths, int32_t doppler, int32_t relativeRange) {
  RmBlock b;
  b.relativeRange = relativeRange;
  b.signalWord = RmSignalWord(snr, type, phaseMinusRange);
  b.loopFlags = loopFlags;
  b.lockTenths = lockTenths;
  b.doppler = doppler;
  return b;
}

RmEntry MakeRmEntry(uint32_t satellite, uint32_t range, std::vector<RmBlock> blocks) {
  RmEntry e;
  e.satellite = satellite;
  e.range = range;
  e.blocks = std::move(blocks);
  return e;
}

Body RmBody(uint32_t towMs, uint32_t clockWord, uint32_t dopplerCode,
            const std::vector<RmEntry>& entries, int satCount, uint32_t weekWord) {
  size_t n = satCount < 0 ? entries.size() : static_cast<size_t>(satCount);
  Body b;
  b.U2(0).U2(weekWord).U4(towMs).U2(clockWord).U2(((n & 0x1F) << 8) | ((dopplerCode & 0x7) << 13));
  for (const RmEntry& e : entries) {
    b.U4(e.range).U1(e.satellite).U1(e.blocks.empty() ? 0 : (e.blocks.size() - 1) & 0x7);
    for (const RmBlock& k : e.blocks) {
      b.I2(k.relativeRange).U4(k.signalWord).I2(k.loopFlags).U2(k.lockTenths);
      if (dopplerCode == 0) b.I4(k.doppler);
    }
  }
  return b;
}

}  // namespace jpsbuild
