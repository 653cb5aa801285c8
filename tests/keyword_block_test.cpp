// Keyword blocks: which lines open a block, what a block keeps, and the
// values of its lines.
#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>

#include "support/keyword_block.h"

using namespace jps;

namespace {

struct Stream {
  std::FILE* f;
  explicit Stream(const std::string& bytes) : f(std::tmpfile()) {
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::rewind(f);
  }
  ~Stream() { std::fclose(f); }
};

}  // namespace

TEST(ReadKeywordBlock, WhichLinesOpenABlock) {
  Stream s(
      "{ a: 1\r\n"                     // nothing before the brace
      "ABCDEFGHIJKLMNOP { b: 2\r\n"    // the brace is the 18th character
      "Name{ c: 3\r\n"                 // no blank before it
      "  { d: 4\r\n"                   // only blanks before it
      "; Hidden { e: 5\r\n"            // in a comment: passed over
      "plain line\r\n"
      "Abcdefghijklmn { f: 6\r\n"      // the brace is the 16th character
      "}\r\n"
      "Tab\t{ g: 7\r\n"
      "}\r\n");
  auto block = std::make_unique<KeywordBlock>();
  EXPECT_EQ(ReadKeywordBlock(s.f, block.get()), 1);
  EXPECT_EQ(ReadKeywordBlock(s.f, block.get()), 1);
  EXPECT_EQ(ReadKeywordBlock(s.f, block.get()), 1);
  EXPECT_EQ(ReadKeywordBlock(s.f, block.get()), 1);
  ASSERT_EQ(ReadKeywordBlock(s.f, block.get()), 0);
  EXPECT_STREQ(block->name, "Abcdefghijklmn");
  ASSERT_EQ(block->lineCount, 1);
  EXPECT_STREQ(block->lines[0].key, "f:");
  ASSERT_EQ(ReadKeywordBlock(s.f, block.get()), 0);
  EXPECT_STREQ(block->name, "Tab");
  EXPECT_EQ(ReadKeywordBlock(s.f, block.get()), -1);
}

TEST(ReadKeywordBlock, QuotedValuesCommentsAndTheClosingBrace) {
  Stream s(
      "Site { Name: \"two words\" 5 ; a comment\r\n"
      "\tName: second\r\n"
      "\tEmpty:\r\n"
      "\r\n"
      "\tLast: 1 2 } not kept\r\n"
      "After { x: 1\r\n");
  auto block = std::make_unique<KeywordBlock>();
  ASSERT_EQ(ReadKeywordBlock(s.f, block.get()), 0);
  EXPECT_STREQ(block->name, "Site");
  ASSERT_EQ(block->lineCount, 3);
  EXPECT_EQ(block->lines[0].valueCount, 2);
  EXPECT_STREQ(block->lines[0].values[0], "\"two`words\"");
  EXPECT_EQ(block->lines[2].valueCount, 0);

  char text[kKeywordValueSize];
  int number = 0;
  EXPECT_EQ(GetKeywordValues("NAME:", block.get(), "%s %d", text, &number), 2);
  EXPECT_STREQ(text, "two`words");  // quotes removed, the blank still a grave accent
  EXPECT_EQ(number, 5);
  RestoreBlanks(text);
  EXPECT_STREQ(text, "two words");
  EXPECT_EQ(GetKeywordValues("name:", block.get(), "%s", text), 1);  // the repeated key, in order
  EXPECT_STREQ(text, "second");
  EXPECT_EQ(GetKeywordValues("Name:", block.get(), "%s", text), -1);
  EXPECT_EQ(GetKeywordValues("Name", block.get(), "%s", text), -1);   // the key keeps its colon
  EXPECT_EQ(GetKeywordValues("Empty:", block.get(), "%s", text), 0);
  EXPECT_EQ(GetKeywordValues("Last:", block.get(), "%s", text), -1);  // stood before the brace

  // The file ends inside the next block: what was read is the block.
  ASSERT_EQ(ReadKeywordBlock(s.f, block.get()), 0);
  EXPECT_STREQ(block->name, "After");
  EXPECT_EQ(block->lineCount, 1);
  EXPECT_EQ(GetKeywordValues("x:", block.get(), "%x", text), 0);  // a refused conversion
  EXPECT_EQ(ReadKeywordBlock(s.f, block.get()), -1);
}

TEST(ReadKeywordBlock, KeepsThirtyTwoLinesAndFifteenValues) {
  std::string text = "Big { L0: 1\n";
  for (int i = 1; i < 40; ++i) text += "L" + std::to_string(i) + ": " + std::to_string(i) + "\n";
  text += "}\nWide { w: 1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 16 17 18 19 20\n}\n";
  Stream s(text);
  auto block = std::make_unique<KeywordBlock>();
  ASSERT_EQ(ReadKeywordBlock(s.f, block.get()), 0);
  EXPECT_EQ(block->lineCount, kKeywordMaxLines);
  EXPECT_STREQ(block->lines[31].key, "L31:");
  ASSERT_EQ(ReadKeywordBlock(s.f, block.get()), 0);  // the lines past 32 did not open anything
  EXPECT_STREQ(block->name, "Wide");
  EXPECT_EQ(block->lines[0].valueCount, kKeywordMaxValues);
  EXPECT_STREQ(block->lines[0].values[14], "15");
}
