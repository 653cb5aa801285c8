#include "support/keyword_block.h"

#include <cstdarg>
#include <cstring>

#include "support/line_reader.h"
#include "support/text_helpers.h"
#include "support/value_scan.h"

namespace jps {
namespace {

constexpr char kComment = ';';
constexpr char kOpenBlock = '{';
constexpr char kCloseBlock = '}';
constexpr char kQuote = '"';
constexpr int kMaxTokens = kKeywordMaxValues + 1;

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// Position of the "{" of a line, or -1; a comment or the line's end stops the search.
int OpenBracePosition(const char* line) {
  for (int i = 0; line[i] != '\0' && line[i] != '\r' && line[i] != '\n'; ++i) {
    if (line[i] == kComment) return -1;
    if (line[i] == kOpenBlock) return i;
  }
  return -1;
}

bool OpensBlock(const char* line, int brace) {
  bool blank = false, other = false;
  for (int i = 0; i < brace; ++i) {
    if (IsBlank(line[i])) blank = true;
    else other = true;
  }
  return brace < kBlockOpenSpan && blank && other;
}

// Splits text at blanks and tabs; returns the number of tokens (at most 16).
int SplitTokens(char* text, char* tokens[kMaxTokens]) {
  int count = 0;
  char* p = text;
  while (count < kMaxTokens) {
    while (IsBlank(*p)) ++p;
    if (*p == '\0') break;
    tokens[count++] = p;
    while (*p != '\0' && !IsBlank(*p)) ++p;
    if (*p != '\0') *p++ = '\0';
  }
  return count;
}

// Takes one line of a block: true when it closes the block.
bool CollectLine(const char* line, KeywordBlock* block) {
  char text[kTextLineSize];
  size_t n = 0;
  bool quoted = false;
  for (const char* p = line; *p != '\0' && *p != '\r' && *p != '\n' && n < sizeof text - 1; ++p) {
    if (*p == kComment) break;
    if (*p == kCloseBlock) return true;
    if (*p == kQuote) quoted = !quoted;
    text[n++] = (quoted && *p == ' ') ? kQuotedBlank : *p;
  }
  text[n] = '\0';
  char* tokens[kMaxTokens];
  int count = SplitTokens(text, tokens);
  if (count == 0 || block->lineCount >= kKeywordMaxLines) return false;
  KeywordLine& record = block->lines[block->lineCount++];
  CopyBounded(record.key, tokens[0], kKeywordTextSize - 1);
  for (int i = 1; i < count; ++i) CopyBounded(record.values[i - 1], tokens[i], kKeywordValueSize - 1);
  record.valueCount = static_cast<int16_t>(count - 1);
  record.consumed = 0;
  return false;
}

}  // namespace

int ReadKeywordBlock(std::FILE* stream, KeywordBlock* block) {
  char line[kTextLineSize];
  int brace = -1;
  while (brace < 0) {
    if (ReadTextLine(stream, line) < 0) return -1;
    brace = OpenBracePosition(line);
  }
  if (!OpensBlock(line, brace)) return 1;
  char head[kTextLineSize];
  CopyBounded(head, line, static_cast<size_t>(brace));
  char* tokens[kMaxTokens];
  SplitTokens(head, tokens);  // a block-opening line has a name before its "{"
  CopyBounded(block->name, tokens[0], kKeywordTextSize - 1);
  block->lineCount = 0;
  if (CollectLine(line + brace + 1, block)) return 0;
  while (ReadTextLine(stream, line) >= 0) {
    if (CollectLine(line, block)) return 0;
  }
  return 0;
}

int GetKeywordValues(const char* key, KeywordBlock* block, const char* format, ...) {
  va_list args;
  va_start(args, format);
  int stored = GetKeywordValuesV(key, block, format, args);
  va_end(args);
  return stored;
}

int GetKeywordValuesV(const char* key, KeywordBlock* block, const char* format, va_list args) {
  KeywordLine* found = nullptr;
  for (int i = 0; i < block->lineCount && found == nullptr; ++i) {
    KeywordLine& line = block->lines[i];
    if (line.consumed == 0 && SameTextIgnoringCase(line.key, key)) found = &line;
  }
  if (found == nullptr) return -1;
  char joined[kKeywordMaxValues * kKeywordValueSize + 1];
  size_t n = 0;
  for (int v = 0; v < found->valueCount; ++v) {
    for (const char* p = found->values[v]; *p != '\0'; ++p) {
      if (*p != kQuote) joined[n++] = *p;
    }
    joined[n++] = ' ';
  }
  joined[n] = '\0';
  found->consumed = 1;
  int stored = ScanValuesV(joined, format, args);
  return stored < 0 ? 0 : stored;
}

void RestoreBlanks(char* text) {
  for (; *text != '\0'; ++text) {
    if (*text == kQuotedBlank) *text = ' ';
  }
}

}  // namespace jps
