// The KEL raw observation file: a 202-byte header, then per epoch one 68-byte
// epoch record followed by measurementCount 44-byte measurement records.
// Little-endian, packed. In memory the records are plain structs; they reach
// the file (and come back) only through the encoders below.
#pragma once

#include <cstddef>
#include <cstdint>

namespace jps {

constexpr int16_t kKelHeaderSize = 202;
constexpr int16_t kKelEpochSize = 68;
constexpr int16_t kKelMeasurementSize = 44;
constexpr int kKelFileNameSize = 144;
constexpr int kMaxChannels = 24;
constexpr uint8_t kKelFlagPosition = 1;
constexpr uint8_t kKelFlagKinematic = 2;
// The lock count of a measurement whose lock restarted (a cycle slip, a new
// satellite, a bad L1 measurement); it counts up from there.
constexpr uint8_t kRestartedLockCount = 1;
constexpr double kSpeedOfLight = 299792458.0;

#pragma pack(push, 1)

struct KelHeader {
  int16_t headerSize;          // 0
  float formatVersion;         // 2
  uint8_t receiverType;        // 6
  int8_t channelCount;         // 7
  int16_t createMonth;         // 8, 0..11
  int16_t createDay;           // 10
  int16_t createYear;          // 12, year - 1900
  int16_t createHour;          // 14
  int16_t createMinute;        // 16
  int16_t createSecond;        // 18
  float epochInterval;         // 20
  char fileName[kKelFileNameSize];  // 24
  uint32_t streamSlot;         // 168, run-time slot: zero in the file
  int16_t bufferSize;          // 172
  uint32_t bufferSlot;         // 174, run-time slot: zero in the file
  uint8_t reserved[24];        // 178
};

struct KelEpoch {
  int16_t recordSize;          // 0
  int8_t measurementCount;     // 2
  uint8_t epochFlags;          // 3
  uint8_t reserved4[4];        // 4
  double latitude;             // 8
  double longitude;            // 16
  float height;                // 24
  double receiverTime;         // 28
  double correctedTime;        // 36
  double clockOffset;          // 44
  double clockDrift;           // 52
  uint8_t reserved60[8];       // 60
};

struct KelMeasurement {
  int16_t recordSize;          // 0
  int8_t satellite;            // 2
  uint8_t lockCount;           // 3
  double l1Code;               // 4
  double l1Phase;              // 12
  double doppler;              // 20
  double l2Code;               // 28
  double l2Phase;              // 36
};

#pragma pack(pop)

static_assert(sizeof(KelHeader) == 202, "KelHeader size");
static_assert(offsetof(KelHeader, formatVersion) == 2, "KelHeader formatVersion");
static_assert(offsetof(KelHeader, receiverType) == 6, "KelHeader receiverType");
static_assert(offsetof(KelHeader, channelCount) == 7, "KelHeader channelCount");
static_assert(offsetof(KelHeader, createMonth) == 8, "KelHeader createMonth");
static_assert(offsetof(KelHeader, createSecond) == 18, "KelHeader createSecond");
static_assert(offsetof(KelHeader, epochInterval) == 20, "KelHeader epochInterval");
static_assert(offsetof(KelHeader, fileName) == 24, "KelHeader fileName");
static_assert(offsetof(KelHeader, streamSlot) == 168, "KelHeader streamSlot");
static_assert(offsetof(KelHeader, bufferSize) == 172, "KelHeader bufferSize");
static_assert(offsetof(KelHeader, bufferSlot) == 174, "KelHeader bufferSlot");
static_assert(offsetof(KelHeader, reserved) == 178, "KelHeader reserved");

static_assert(sizeof(KelEpoch) == 68, "KelEpoch size");
static_assert(offsetof(KelEpoch, measurementCount) == 2, "KelEpoch measurementCount");
static_assert(offsetof(KelEpoch, epochFlags) == 3, "KelEpoch epochFlags");
static_assert(offsetof(KelEpoch, latitude) == 8, "KelEpoch latitude");
static_assert(offsetof(KelEpoch, longitude) == 16, "KelEpoch longitude");
static_assert(offsetof(KelEpoch, height) == 24, "KelEpoch height");
static_assert(offsetof(KelEpoch, receiverTime) == 28, "KelEpoch receiverTime");
static_assert(offsetof(KelEpoch, correctedTime) == 36, "KelEpoch correctedTime");
static_assert(offsetof(KelEpoch, clockOffset) == 44, "KelEpoch clockOffset");
static_assert(offsetof(KelEpoch, clockDrift) == 52, "KelEpoch clockDrift");
static_assert(offsetof(KelEpoch, reserved60) == 60, "KelEpoch reserved");

static_assert(sizeof(KelMeasurement) == 44, "KelMeasurement size");
static_assert(offsetof(KelMeasurement, satellite) == 2, "KelMeasurement satellite");
static_assert(offsetof(KelMeasurement, lockCount) == 3, "KelMeasurement lockCount");
static_assert(offsetof(KelMeasurement, l1Code) == 4, "KelMeasurement l1Code");
static_assert(offsetof(KelMeasurement, l1Phase) == 12, "KelMeasurement l1Phase");
static_assert(offsetof(KelMeasurement, doppler) == 20, "KelMeasurement doppler");
static_assert(offsetof(KelMeasurement, l2Code) == 28, "KelMeasurement l2Code");
static_assert(offsetof(KelMeasurement, l2Phase) == 36, "KelMeasurement l2Phase");

// Byte images of the records, field by field, little-endian.
void EncodeKelHeader(const KelHeader& header, uint8_t out[kKelHeaderSize]);
void DecodeKelHeader(const uint8_t in[kKelHeaderSize], KelHeader* header);
void EncodeKelEpoch(const KelEpoch& epoch, uint8_t out[kKelEpochSize]);
void DecodeKelEpoch(const uint8_t in[kKelEpochSize], KelEpoch* epoch);
void EncodeKelMeasurement(const KelMeasurement& m, uint8_t out[kKelMeasurementSize]);
void DecodeKelMeasurement(const uint8_t in[kKelMeasurementSize], KelMeasurement* m);

}  // namespace jps
