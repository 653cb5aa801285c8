#include "support/kel_records.h"

#include <cstring>

#include "support/little_endian.h"

namespace jps {

void EncodeKelHeader(const KelHeader& h, uint8_t out[kKelHeaderSize]) {
  std::memset(out, 0, kKelHeaderSize);
  StoreI16(out + 0, h.headerSize);
  StoreF32(out + 2, h.formatVersion);
  out[6] = h.receiverType;
  out[7] = static_cast<uint8_t>(h.channelCount);
  StoreI16(out + 8, h.createMonth);
  StoreI16(out + 10, h.createDay);
  StoreI16(out + 12, h.createYear);
  StoreI16(out + 14, h.createHour);
  StoreI16(out + 16, h.createMinute);
  StoreI16(out + 18, h.createSecond);
  StoreF32(out + 20, h.epochInterval);
  std::memcpy(out + 24, h.fileName, kKelFileNameSize);
  StoreU32(out + 168, h.streamSlot);
  StoreI16(out + 172, h.bufferSize);
  StoreU32(out + 174, h.bufferSlot);
  std::memcpy(out + 178, h.reserved, sizeof h.reserved);
}

void DecodeKelHeader(const uint8_t in[kKelHeaderSize], KelHeader* h) {
  h->headerSize = LoadI16(in + 0);
  h->formatVersion = LoadF32(in + 2);
  h->receiverType = in[6];
  h->channelCount = LoadI8(in + 7);
  h->createMonth = LoadI16(in + 8);
  h->createDay = LoadI16(in + 10);
  h->createYear = LoadI16(in + 12);
  h->createHour = LoadI16(in + 14);
  h->createMinute = LoadI16(in + 16);
  h->createSecond = LoadI16(in + 18);
  h->epochInterval = LoadF32(in + 20);
  std::memcpy(h->fileName, in + 24, kKelFileNameSize);
  h->streamSlot = LoadU32(in + 168);
  h->bufferSize = LoadI16(in + 172);
  h->bufferSlot = LoadU32(in + 174);
  std::memcpy(h->reserved, in + 178, sizeof h->reserved);
}

void EncodeKelEpoch(const KelEpoch& e, uint8_t out[kKelEpochSize]) {
  StoreI16(out + 0, e.recordSize);
  out[2] = static_cast<uint8_t>(e.measurementCount);
  out[3] = e.epochFlags;
  std::memcpy(out + 4, e.reserved4, 4);
  StoreF64(out + 8, e.latitude);
  StoreF64(out + 16, e.longitude);
  StoreF32(out + 24, e.height);
  StoreF64(out + 28, e.receiverTime);
  StoreF64(out + 36, e.correctedTime);
  StoreF64(out + 44, e.clockOffset);
  StoreF64(out + 52, e.clockDrift);
  std::memcpy(out + 60, e.reserved60, 8);
}

void DecodeKelEpoch(const uint8_t in[kKelEpochSize], KelEpoch* e) {
  e->recordSize = LoadI16(in + 0);
  e->measurementCount = LoadI8(in + 2);
  e->epochFlags = in[3];
  std::memcpy(e->reserved4, in + 4, 4);
  e->latitude = LoadF64(in + 8);
  e->longitude = LoadF64(in + 16);
  e->height = LoadF32(in + 24);
  e->receiverTime = LoadF64(in + 28);
  e->correctedTime = LoadF64(in + 36);
  e->clockOffset = LoadF64(in + 44);
  e->clockDrift = LoadF64(in + 52);
  std::memcpy(e->reserved60, in + 60, 8);
}

void EncodeKelMeasurement(const KelMeasurement& m, uint8_t out[kKelMeasurementSize]) {
  StoreI16(out + 0, m.recordSize);
  out[2] = static_cast<uint8_t>(m.satellite);
  out[3] = m.lockCount;
  StoreF64(out + 4, m.l1Code);
  StoreF64(out + 12, m.l1Phase);
  StoreF64(out + 20, m.doppler);
  StoreF64(out + 28, m.l2Code);
  StoreF64(out + 36, m.l2Phase);
}

void DecodeKelMeasurement(const uint8_t in[kKelMeasurementSize], KelMeasurement* m) {
  m->recordSize = LoadI16(in + 0);
  m->satellite = LoadI8(in + 2);
  m->lockCount = in[3];
  m->l1Code = LoadF64(in + 4);
  m->l1Phase = LoadF64(in + 12);
  m->doppler = LoadF64(in + 20);
  m->l2Code = LoadF64(in + 28);
  m->l2Phase = LoadF64(in + 36);
}

}  // namespace jps
