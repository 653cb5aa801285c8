#include "support/epp_blocks.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>

#include "support/epp_reader.h"
#include "support/file64.h"
#include "support/keyword_block.h"
#include "support/line_reader.h"
#include "support/text_helpers.h"

namespace jps {
namespace {

constexpr const char* kGlonassBlockName = "GlnEph";
constexpr const char* kLeapSecondBlockName = "GpsIon";

// The first line of the block with this key that no read has taken yet.
const KeywordLine* NextLine(const KeywordBlock& block, const char* key) {
  for (int i = 0; i < block.lineCount; ++i) {
    const KeywordLine& line = block.lines[i];
    if (line.consumed == 0 && SameTextIgnoringCase(line.key, key)) return &line;
  }
  return nullptr;
}

// True when the next line with the key holds exactly count values and all of
// them convert with the format.
bool ReadValues(KeywordBlock* block, const char* key, int count, const char* format, ...) {
  const KeywordLine* line = NextLine(*block, key);
  if (line == nullptr || line->valueCount != count) return false;
  va_list args;
  va_start(args, format);
  int stored = GetKeywordValuesV(key, block, format, args);
  va_end(args);
  return stored == count;
}

bool ReadGpsBlock(KeywordBlock* b, EppGpsBlock* e) {
  return ReadValues(b, "Prn:", 1, "%d", &e->prn) &&
         ReadValues(b, "El1:", 5, "%d %d %le %d %d", &e->week, &e->messageTime, &e->tgd, &e->iodc,
                    &e->toc) &&
         ReadValues(b, "El2:", 3, "%le %le %le", &e->af2, &e->af1, &e->af0) &&
         ReadValues(b, "El3:", 4, "%d %le %le %le", &e->iode, &e->crs, &e->deltaN, &e->m0) &&
         ReadValues(b, "El4:", 4, "%le %le %le %le", &e->cuc, &e->eccentricity, &e->cus,
                    &e->sqrtA) &&
         ReadValues(b, "El5:", 4, "%d %le %le %le", &e->toe, &e->cic, &e->omega0, &e->cis) &&
         ReadValues(b, "El6:", 5, "%le %le %le %le %le", &e->i0, &e->crc, &e->omega, &e->omegaDot,
                    &e->iDot);
}

bool ReadVector(KeywordBlock* b, const char* key, double (&v)[3]) {
  return ReadValues(b, key, 3, "%le %le %le", &v[0], &v[1], &v[2]);
}

bool ReadGlonassBlock(KeywordBlock* b, EppGlonassBlock* e) {
  int32_t always0 = 0;
  return ReadValues(b, "Prn:", 2, "%d %d", &e->number, &always0) &&
         ReadValues(b, "Tkb:", 2, "%d %d", &e->tk, &e->tb) &&
         ReadValues(b, "Lte:", 3, "%le %le %d", &e->gamma, &e->minusTau, &e->age) &&
         ReadVector(b, "Pos:", e->position) && ReadVector(b, "Vel:", e->velocity) &&
         ReadVector(b, "Acc:", e->acceleration) &&
         ReadValues(b, "Flg:", 2, "%d %d", &e->flags, &e->health) &&
         ReadValues(b, "Ash:", 4, "%d %le %d %d", &e->dayNumber, &e->tauC, &e->channel, &e->slot);
}

// Reads a block of one kind into its list; one that does not read is counted.
template <typename Block>
void TakeEphemeris(KeywordBlock* block, bool (*read)(KeywordBlock*, Block*), bool glonass,
                   std::vector<Block>* list, EppBlocks* out) {
  Block e{};
  if (!read(block, &e)) {
    ++out->badBlocks;
    return;
  }
  out->order.emplace_back(glonass, list->size());
  list->push_back(e);
}

void TakeBlock(KeywordBlock* block, EppBlocks* out) {
  if (SameTextIgnoringCase(block->name, kEppGpsBlockName)) {
    TakeEphemeris(block, ReadGpsBlock, false, &out->gps, out);
  } else if (SameTextIgnoringCase(block->name, kGlonassBlockName)) {
    TakeEphemeris(block, ReadGlonassBlock, true, &out->glonass, out);
  } else if (SameTextIgnoringCase(block->name, kLeapSecondBlockName)) {
    int32_t leap = 0;
    if (ReadValues(block, "Utc:", 1, "%d", &leap)) {
      out->hasLeapSeconds = true;
      out->leapSeconds = leap;
    }
  }
}

}  // namespace

int ReadEppBlocks(const char* path, EppBlocks* out) {
  *out = EppBlocks{};
  UniqueFile file(std::fopen(path, "rb"));
  if (!file) return kEppCannotOpen;
  char line[kTextLineSize];
  if (ReadTextLine(file.get(), line) < 0 ||
      std::strncmp(line, kEppHeaderMark, std::strlen(kEppHeaderMark)) != 0) {
    return kEppNotKeywordFile;
  }
  std::unique_ptr<KeywordBlock> block(new (std::nothrow) KeywordBlock);
  if (!block) return kEppCannotOpen;
  for (;;) {
    int result = ReadKeywordBlock(file.get(), block.get());
    if (result < 0) break;
    if (result == 0) TakeBlock(block.get(), out);
  }
  return kEppBlocksRead;
}

}  // namespace jps
