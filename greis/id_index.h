// Row numbers of a table whose rows open with a two-character message
// identifier, by the identifier's characters (ASCII; any other byte has no
// row). Built when the program is compiled; the first row of an identifier wins.
#pragma once

#include <cstddef>
#include <cstdint>

namespace jps {

struct IdIndex {
  int8_t row[128][128];   // -1: no row
};

// id(row) gives the row's two identifier characters.
template <typename Row, size_t N, typename Id>
constexpr IdIndex BuildIdIndex(const Row (&rows)[N], Id id) {
  static_assert(N <= 127, "row numbers fit the index");
  IdIndex index{};
  for (auto& first : index.row)
    for (auto& r : first) r = -1;
  for (size_t i = N; i-- > 0;) {
    const char* chars = id(rows[i]);
    index.row[chars[0] & 0x7F][chars[1] & 0x7F] = static_cast<int8_t>(i);
  }
  return index;
}

// The row for the identifier at message; null when the table has none.
template <typename Row, size_t N>
const Row* FindById(const Row (&rows)[N], const IdIndex& index, const uint8_t* message) {
  if (message[0] > 0x7F || message[1] > 0x7F) return nullptr;
  int i = index.row[message[0]][message[1]];
  return i < 0 ? nullptr : &rows[i];
}

}  // namespace jps
