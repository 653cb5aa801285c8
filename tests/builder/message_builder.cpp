#include "tests/builder/message_builder.h"

#include <cstdio>
#include <cstring>

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

uint8_t ChecksumFor(const Bytes& headerAndBody) {
  uint8_t cs = 0;
  for (uint8_t b : headerAndBody) cs = static_cast<uint8_t>(((cs << 2) | (cs >> 6)) ^ b);
  return static_cast<uint8_t>((cs << 2) | (cs >> 6));
}

std::string HexLength(int length) {
  char text[8];
  std::snprintf(text, sizeof text, "%03X", length & 0xFFF);
  return text;
}

Bytes MessageWithLengthText(const std::string& id, const std::string& lengthText, const Body& body) {
  Bytes m(id.begin(), id.end());
  m.insert(m.end(), lengthText.begin(), lengthText.end());
  m.insert(m.end(), body.bytes().begin(), body.bytes().end());
  m.push_back(ChecksumFor(m));
  return m;
}

Bytes Message(const std::string& id, const Body& body) {
  return MessageWithLengthText(id, HexLength(static_cast<int>(body.size()) + 1), body);
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

Bytes ReceiverTime(uint32_t msOfDay) { return Message("~~", Body().U4(msOfDay)); }

Bytes ReceiverDate(int year, int month, int day, int timeBase) {
  return Message("RD", Body().U2(year).U1(month).U1(day).U1(timeBase));
}

Bytes SatIndices(const std::vector<uint8_t>& satellites) {
  Body b;
  for (uint8_t sv : satellites) b.U1(sv);
  return Message("SI", b);
}

Bytes CaRanges(const std::vector<double>& seconds) {
  Body b;
  for (double v : seconds) b.F8(v);
  return Message("RC", b);
}

Bytes CaPhases(const std::vector<double>& cycles) {
  Body b;
  for (double v : cycles) b.F8(v);
  return Message("PC", b);
}

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

}  // namespace jpsbuild
