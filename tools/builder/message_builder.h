// Builds GREIS messages and rM records with correct checksums and CRCs, for
// tests and for the stream generator. Bodies are assembled little-endian.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace jpsbuild {

using Bytes = std::vector<uint8_t>;

// A message body under construction (checksum not included).
class Body {
 public:
  Body& U1(uint32_t v);
  Body& I1(int32_t v) { return U1(static_cast<uint32_t>(v) & 0xFF); }
  Body& U2(uint32_t v);
  Body& I2(int32_t v) { return U2(static_cast<uint32_t>(v) & 0xFFFF); }
  Body& U4(uint32_t v);
  Body& I4(int32_t v) { return U4(static_cast<uint32_t>(v)); }
  Body& F4(float v);
  Body& F4Bits(uint32_t bits) { return U4(bits); }
  Body& F8(double v);
  Body& F8Bits(uint64_t bits);
  Body& Text(const std::string& text);
  Body& Raw(const Bytes& bytes);
  Body& Zeros(size_t n);
  const Bytes& bytes() const { return bytes_; }
  size_t size() const { return bytes_.size(); }

 private:
  Bytes bytes_;
};

// GREIS checksum byte for a message whose header and body (without the
// checksum) are given: the fold of those bytes rotated left by 2.
uint8_t ChecksumFor(const Bytes& headerAndBody);
// Three uppercase hexadecimal digits.
std::string HexLength(int length);

// A whole GREIS message: id, length (body + checksum), body, checksum.
Bytes Message(const std::string& id, const Body& body);
// The same appended to out.
void AppendMessage(Bytes& out, const std::string& id, const Body& body);
// The same with the length field given as raw characters (for bad headers).
Bytes MessageWithLengthText(const std::string& id, const std::string& lengthText, const Body& body);
// An rM record: "rM", length, body, CRC-16 little-endian.
Bytes RmRecord(const Body& body);

// Per-satellite messages: one entry per value.
Bytes F8Entries(const std::string& id, const std::vector<double>& values);
Bytes I4Entries(const std::string& id, const std::vector<int32_t>& values);
Bytes U4Entries(const std::string& id, const std::vector<uint32_t>& values);
Bytes U2Entries(const std::string& id, const std::vector<uint32_t>& values);

// Common messages.
Bytes ReceiverTime(uint32_t msOfDay);                                   // [~~]
Bytes ReceiverDate(int year, int month, int day, int timeBase = 0);     // [RD]
Bytes SatIndices(const std::vector<uint8_t>& satellites);               // [SI]
Bytes CaRanges(const std::vector<double>& seconds);                     // [RC]
Bytes CaPhases(const std::vector<double>& cycles);                      // [PC]
Bytes EpochEnd();                                                       // [||]
// [==]: ms of day, one unused byte, the typed text (not terminated).
Bytes EventRecord(uint32_t msOfDay, const std::string& text);
// [XA] or [XB]: ms of day, nanoseconds, time-scale byte.
Bytes EventMark(const std::string& id, uint32_t msOfDay, int32_t nanoseconds, int timeScale = 0);

// Appends b to a.
void Append(Bytes& a, const Bytes& b);
// Flips the bits of one byte (to break a checksum or a field).
Bytes Damaged(Bytes message, size_t offset, uint8_t xorMask = 0xFF);

// rM records. Signal block of an entry: 14 bytes when the record carries
// Doppler (code 0), 10 bytes otherwise.
struct RmBlock {
  int32_t relativeRange = 0x7FFF;  // L2 minus C/A range in 0.02 m; 0x7FFF none
  uint32_t signalWord = 0xFFFFFFFF;
  int32_t loopFlags = 0x50;        // status set, code and phase good
  uint32_t lockTenths = 0;
  int32_t doppler = 0;             // written only in 14-byte blocks
};
struct RmEntry {
  uint32_t range = 0;              // C/A range in 0.02 m
  uint32_t satellite = 0;
  std::vector<RmBlock> blocks;     // the count byte says blocks.size() - 1
};
// Signal word: signal-to-noise in bits 0-5, type in bits 9-11 (0 L1 C/A,
// 2 L2), phase minus C/A range in 0.0005 m in bits 12-31.
uint32_t RmSignalWord(uint32_t snr, uint32_t type, int32_t phaseMinusRange);
RmBlock MakeRmBlock(uint32_t type, int32_t phaseMinusRange, uint32_t snr, int32_t loopFlags = 0x50,
                    uint32_t lockTenths = 0, int32_t doppler = 0, int32_t relativeRange = 0x7FFF);
RmEntry MakeRmEntry(uint32_t satellite, uint32_t range, std::vector<RmBlock> blocks);
// Body of an rM record (CRC not included): status 0, week word, time of week,
// clock word, layout word (satellite count, Doppler-absent code), entries.
// satCount -1 writes the number of entries.
Body RmBody(uint32_t towMs, uint32_t clockWord, uint32_t dopplerCode,
            const std::vector<RmEntry>& entries, int satCount = -1, uint32_t weekWord = 1800);

}  // namespace jpsbuild
