// The records exchanged with the post-processing host. Their layout is fixed
// by the host: little-endian 32-bit integers, no padding beyond what is listed.
#pragma once

#include <cstddef>
#include <cstdint>

#if defined(_WIN32) && !defined(_WIN64)
#define JAV_CALL __stdcall
#else
#define JAV_CALL
#endif

namespace jps {

constexpr int32_t kRequestSize = 2672;
constexpr int32_t kOptionsSize = 56;
constexpr int32_t kCallbacksSize = 272;
constexpr int kPathSize = 256;

#pragma pack(push, 1)

struct ConversionOptions {
  int32_t GpsOnly;             // 0
  int32_t L1PhaseFromP1;       // 4
  int32_t Reserved8;           // 8, default 1, no effect
  int32_t StartDynamic;        // 12
  double Reserved16;           // 16, default 1.0, not read
  int32_t Reserved24;          // 24
  int32_t Reserved28;          // 28
  int32_t KeepDamagedEpochs;   // 32
  int32_t RequireL2;           // 36
  int32_t Verbose;             // 40
  int32_t SiteAwaitsSave;      // 44
  int32_t SkipGreisEpochs;     // 48
  int32_t SkipRmEpochs;        // 52
};

struct ConversionRequest {
  int32_t Size;                          // 0
  char InputPath[kPathSize];             // 4
  char OutputPath[kPathSize];            // 260
  int32_t OptionsSize;                   // 516
  ConversionOptions Options;             // 520
  uint8_t Reserved576[1992];             // 576
  int32_t EpochsWritten;                 // 2568
  int32_t EphemeridesWritten;            // 2572
  int32_t StationMarksWritten;           // 2576
  int32_t EventMarksWritten;             // 2580
  uint8_t Reserved2584[88];              // 2584
};

typedef void(JAV_CALL* OnMessageFn)(double time, const char* text);
typedef void(JAV_CALL* OnProgressFn)(int32_t position, int32_t length);

// On a 32-bit host the callbacks sit at 8 and 12. A 64-bit build keeps the
// record at 272 bytes with the wider pointers at 8 and 16.
struct HostCallbacks {
  int32_t Size;                          // 0
  int32_t Reserved4;                     // 4
  OnMessageFn OnMessage;                 // 8
  OnProgressFn OnProgress;               // 12 (32-bit), 16 (64-bit)
  uint8_t ReservedTail[kCallbacksSize - 8 - 2 * sizeof(void*)];
};

#pragma pack(pop)

static_assert(sizeof(ConversionOptions) == 56, "ConversionOptions size");
static_assert(offsetof(ConversionOptions, Reserved16) == 16, "options offset 16");
static_assert(offsetof(ConversionOptions, KeepDamagedEpochs) == 32, "options offset 32");
static_assert(offsetof(ConversionOptions, SiteAwaitsSave) == 44, "options offset 44");
static_assert(offsetof(ConversionOptions, SkipRmEpochs) == 52, "options offset 52");

static_assert(sizeof(ConversionRequest) == 2672, "ConversionRequest size");
static_assert(offsetof(ConversionRequest, InputPath) == 4, "request offset 4");
static_assert(offsetof(ConversionRequest, OutputPath) == 260, "request offset 260");
static_assert(offsetof(ConversionRequest, OptionsSize) == 516, "request offset 516");
static_assert(offsetof(ConversionRequest, Options) == 520, "request offset 520");
static_assert(offsetof(ConversionRequest, EpochsWritten) == 2568, "request offset 2568");
static_assert(offsetof(ConversionRequest, EphemeridesWritten) == 2572, "request offset 2572");
static_assert(offsetof(ConversionRequest, StationMarksWritten) == 2576, "request offset 2576");
static_assert(offsetof(ConversionRequest, EventMarksWritten) == 2580, "request offset 2580");

static_assert(sizeof(HostCallbacks) == 272, "HostCallbacks size");
static_assert(offsetof(HostCallbacks, OnMessage) == 8, "callbacks OnMessage offset");
static_assert(offsetof(HostCallbacks, OnProgress) == (sizeof(void*) == 4 ? 12 : 16),
              "callbacks OnProgress offset");

}  // namespace jps
