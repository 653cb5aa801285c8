#include "tests/builder/greis_frames.h"

#include <gtest/gtest.h>

#include <cmath>

#include "greis/framing.h"
#include "support/little_endian.h"

namespace jpstest {

std::vector<Msg> Frames(const std::vector<uint8_t>& s) {
  std::vector<Msg> out;
  size_t at = 0;
  while (at < s.size()) {
    if (at + 5 > s.size()) {
      ADD_FAILURE() << "cut message at " << at;
      break;
    }
    std::string id(s.begin() + at, s.begin() + at + 2);
    int length = std::stoi(std::string(s.begin() + at + 2, s.begin() + at + 5), nullptr, 16);
    if (at + 5 + length > s.size()) {
      ADD_FAILURE() << "message " << id << " runs past the end";
      break;
    }
    if (id == "rM") {
      EXPECT_TRUE(jps::RmCrcOk(&s[at], length)) << "rM CRC at " << at;
      out.push_back({id, {s.begin() + at + 5, s.begin() + at + 5 + length - 2}});
    } else {
      EXPECT_EQ(s[at + 2], '0') << id << " at " << at;
      EXPECT_EQ(jps::GreisChecksum(&s[at], length), 0) << id << " checksum at " << at;
      out.push_back({id, {s.begin() + at + 5, s.begin() + at + 5 + length - 1}});
    }
    at += 5 + static_cast<size_t>(length);
  }
  return out;
}

const Msg* Find(const std::vector<Msg>& ms, const std::string& id) {
  for (const Msg& m : ms) {
    if (m.id == id) return &m;
  }
  return nullptr;
}

bool IsNan64(const uint8_t* p) { return std::isnan(jps::LoadF64(p)); }
bool IsNan32(const uint8_t* p) { return (jps::LoadU32(p) & 0x7FF00000u) == 0x7FC00000u; }

}  // namespace jpstest
