// Bounded text lines from a stream and from memory.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "support/line_reader.h"

using namespace jps;

namespace {

// A stream holding the bytes, read from the start.
std::FILE* StreamOf(const std::string& bytes) {
  std::FILE* f = std::tmpfile();
  std::fwrite(bytes.data(), 1, bytes.size(), f);
  std::rewind(f);
  return f;
}

}  // namespace

TEST(ReadTextLine, CrLfLinesAndTheLastLine) {
  std::FILE* f = StreamOf("one\r\ntwo\r\n\r\na\rb\nlast");
  char line[kTextLineSize];
  EXPECT_EQ(ReadTextLine(f, line), 3);
  EXPECT_STREQ(line, "one");
  EXPECT_EQ(ReadTextLine(f, line), 3);
  EXPECT_STREQ(line, "two");
  EXPECT_EQ(ReadTextLine(f, line), 0);
  EXPECT_STREQ(line, "");
  EXPECT_EQ(ReadTextLine(f, line), 3);  // a carriage return inside the line stays
  EXPECT_STREQ(line, "a\rb");
  EXPECT_EQ(ReadTextLine(f, line), 4);
  EXPECT_STREQ(line, "last");
  EXPECT_EQ(ReadTextLine(f, line), -1);
  std::fclose(f);
}

TEST(ReadTextLine, LongLineKeepsItsStartAndDropsTheRest) {
  std::string x(300, 'x');
  std::string y(255, 'y');
  std::FILE* f = StreamOf(x + "\r\n" + y + "\r\nnext\n");
  char line[kTextLineSize];
  EXPECT_EQ(ReadTextLine(f, line), 255);
  EXPECT_EQ(std::string(line), std::string(255, 'x'));
  EXPECT_EQ(ReadTextLine(f, line), 255);  // exactly 255 and its CR LF
  EXPECT_EQ(std::string(line), y);
  EXPECT_EQ(ReadTextLine(f, line), 4);
  EXPECT_STREQ(line, "next");
  std::fclose(f);
}

TEST(ReadLineValues, ScansOneLine) {
  std::FILE* f = StreamOf("12, 3.5\r\nword\n");
  int i = 0;
  double d = 0;
  char text[kTextLineSize];
  EXPECT_EQ(ReadLineValues(f, "%d %lf", &i, &d), 2);
  EXPECT_EQ(i, 12);
  EXPECT_EQ(d, 3.5);
  EXPECT_EQ(ReadLineValues(f, "%s", text), 1);
  EXPECT_STREQ(text, "word");
  EXPECT_EQ(ReadLineValues(f, "%s", text), -1);
  std::fclose(f);
}

namespace {

// The pieces that NextTextLine cuts a text into with buffers of this size.
std::string Pieces(const char* text, size_t size) {
  char out[16];
  std::string pieces;
  while (NextTextLine(&text, out, size) == 0) pieces += std::string("[") + out + "]";
  EXPECT_STREQ(out, "");
  return pieces;
}

}  // namespace

TEST(NextTextLine, CopiesWithTheLineFeedWithinTheSize) {
  EXPECT_EQ(Pieces("ab\ncd", 10), "[ab\n][cd]");
  EXPECT_EQ(Pieces("abcd\n", 3), "[ab][cd][\n]");
  EXPECT_EQ(Pieces("\n\nx", 16), "[\n][\n][x]");
  EXPECT_EQ(Pieces("", 16), "");
}
