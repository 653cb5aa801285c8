#include "support/epp_reader.h"

#include <cstdio>
#include <cstring>
#include <memory>
#include <new>

#include "support/file64.h"
#include "support/gps_time.h"
#include "support/keyword_block.h"
#include "support/line_reader.h"
#include "support/text_helpers.h"
#include "support/value_scan.h"

namespace jps {
namespace {

constexpr const char* kWeekKey = "El1:";
constexpr int kWeekLineValues = 5;
constexpr const char* kToeKey = "El5:";
constexpr int kToeLineValues = 4;
constexpr int kOldFormatLines = 6;
constexpr int kOldWeekLine = 0;
constexpr int kOldToeLine = 4;
constexpr size_t kOldLineLimit = 200;   // the six-line format is read 200 characters a line
constexpr int32_t kMissing = -1;


bool Usable(int32_t week, int32_t toe) {
  return week >= 0 && week < kEppWeekLimit && toe >= 0 && toe <= kEppToeLimit;
}

// Week and toe of one GpsEph block; -1 for each that the block does not give.
void ReadGpsBlock(const KeywordBlock& block, EppEphemeris* entry) {
  entry->week = kMissing;
  entry->toe = kMissing;
  for (int i = 0; i < block.lineCount; ++i) {
    const KeywordLine& line = block.lines[i];
    int value;
    if (SameTextIgnoringCase(line.key, kWeekKey) && line.valueCount == kWeekLineValues &&
        ScanValues(line.values[0], "%d", &value) == 1) {
      entry->week = value;
    }
    if (SameTextIgnoringCase(line.key, kToeKey) && line.valueCount == kToeLineValues &&
        ScanValues(line.values[0], "%d", &value) == 1) {
      entry->toe = value;
    }
  }
}

}  // namespace

int EppScanKeywordFile(const char* path, EppEphemerisList* list) {
  UniqueFile file(std::fopen(path, "rb"));
  if (!file) return -1;
  char line[kTextLineSize];
  if (ReadTextLine(file.get(), line) < 0 ||
      std::strncmp(line, kEppHeaderMark, std::strlen(kEppHeaderMark)) != 0) {
    return -1;
  }
  std::unique_ptr<KeywordBlock> block(new (std::nothrow) KeywordBlock);
  if (!block) return -1;
  int count = 0;
  while (count < kEppListSize) {
    int result = ReadKeywordBlock(file.get(), block.get());
    if (result < 0) break;
    if (result != 0 || !SameTextIgnoringCase(block->name, kEppGpsBlockName)) continue;
    EppEphemeris& entry = list->entries[count];
    ReadGpsBlock(*block, &entry);
    if (Usable(entry.week, entry.toe)) ++count;
  }
  return count;
}

int EppScanOldFile(const char* path, EppEphemerisList* list) {
  UniqueFile file(std::fopen(path, "rb"));
  if (!file) return -1;
  int count = 0;
  while (!std::feof(file.get()) && count < kEppListSize) {
    EppEphemeris& entry = list->entries[count];
    entry.week = kMissing;
    entry.toe = kMissing;
    for (int i = 0; i < kOldFormatLines; ++i) {
      char line[kTextLineSize];
      if (ReadTextLine(file.get(), line) < 0) return count;
      line[kOldLineLimit] = '\0';
      int first;
      if (i == kOldWeekLine && ScanValues(line, "%d %d", &first, &entry.week) != 2) return count;
      if (i == kOldToeLine && ScanValues(line, "%d", &entry.toe) != 1) return count;
    }
    if (Usable(entry.week, entry.toe)) ++count;
  }
  return count;
}

void EppListTimes(int count, EppEphemerisList* list) {
  for (int i = 0; i < count; ++i) {
    EppEphemeris& entry = list->entries[i];
    // A toe of 0 is the start of the following week.
    int32_t week = entry.toe != 0 ? entry.week : entry.week + 1;
    if (week < kFirstWeekOfEra) week += kWeeksPerEra;
    entry.time = week * static_cast<int32_t>(kSecondsPerWeek) + entry.toe;
  }
}

const EppEphemeris* EppLastEntry(int count, const EppEphemerisList* list, int acceptZeroToe) {
  for (int i = count - 1; i >= 0; --i) {
    if (acceptZeroToe || list->entries[i].toe != 0) return &list->entries[i];
  }
  return nullptr;
}

int EppLatestGpsWeek(const char* path, int32_t* week, double* toe) {
  if (path == nullptr || path[0] == '\0') return 1;
  EppEphemerisList list;
  int count = EppScanKeywordFile(path, &list);
  if (count < 0) count = EppScanOldFile(path, &list);
  if (count < 0) return 1;
  EppListTimes(count, &list);
  const EppEphemeris* last = EppLastEntry(count, &list, 0);
  if (last == nullptr) last = EppLastEntry(count, &list, 1);
  if (last == nullptr) return 1;
  *week = last->week;
  *toe = last->toe;
  return 0;
}

}  // namespace jps
