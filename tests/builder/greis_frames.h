// Splits a JPS stream that should be whole into its messages, failing the
// test on any framing fault, and finds them by identifier. Bodies are read
// through the byte loaders, so that a test decodes them by the formats'
// formulas, not through the converter.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace jpstest {

struct Msg {
  std::string id;
  std::vector<uint8_t> body;  // without the checksum (GREIS) or the CRC ([rM])
};

// Every message of the stream, in order (adds a test failure on a cut
// message, a bad length, checksum or CRC).
std::vector<Msg> Frames(const std::vector<uint8_t>& stream);

// The first message with the identifier, or null.
const Msg* Find(const std::vector<Msg>& messages, const std::string& id);

// The receiver's "no value" marks of the floating-point fields.
bool IsNan64(const uint8_t* p);
bool IsNan32(const uint8_t* p);

}  // namespace jpstest
