// Typed views of the GREIS record messages: each field is named once, here,
// with its offset in the body; everything that reads or builds such a body
// goes through these. A view looks at a body (checksum byte included) that
// outlives it; a field beyond the body reads as 0.
#pragma once

#include <cstddef>
#include <cstdint>

#include "support/little_endian.h"

namespace jps {

// The fields of a body of a given length.
class BodyView {
 public:
  BodyView(const uint8_t* body, int length) : body_(body), length_(length < 0 ? 0 : length) {}
  const uint8_t* body() const { return body_; }
  int length() const { return length_; }
  // True when the body holds size bytes at offset before its checksum byte.
  bool Holds(int offset, int size) const { return offset >= 0 && offset + size <= length_ - 1; }

 protected:
  uint8_t U1(int o) const { return Holds(o, 1) ? body_[o] : 0; }
  int8_t I1(int o) const { return Holds(o, 1) ? LoadI8(body_ + o) : 0; }
  uint16_t U2(int o) const { return Holds(o, 2) ? LoadU16(body_ + o) : 0; }
  int16_t I2(int o) const { return Holds(o, 2) ? LoadI16(body_ + o) : 0; }
  uint32_t U4(int o) const { return Holds(o, 4) ? LoadU32(body_ + o) : 0; }
  int32_t I4(int o) const { return Holds(o, 4) ? LoadI32(body_ + o) : 0; }
  float F4(int o) const { return Holds(o, 4) ? LoadF32(body_ + o) : 0.0f; }
  double F8(int o) const { return Holds(o, 8) ? LoadF64(body_ + o) : 0.0; }

 private:
  const uint8_t* body_;
  int length_;
};

// [~~] receiver time.
namespace receiver_time {
constexpr int kMsOfDay = 0;   // u4
}
class ReceiverTimeView : public BodyView {
 public:
  using BodyView::BodyView;
  uint32_t msOfDay() const { return U4(receiver_time::kMsOfDay); }
};

// [RD] receiver date.
namespace receiver_date {
constexpr int kYear = 0;      // u2
constexpr int kMonth = 2;     // u1, 1-12
constexpr int kDay = 3;       // u1
constexpr int kTimeBase = 4;  // u1: 0 GPS, 1 UTC(USNO), 2 GLONASS, 3 UTC(SU)
}
class ReceiverDateView : public BodyView {
 public:
  using BodyView::BodyView;
  int year() const { return U2(receiver_date::kYear); }
  int month() const { return U1(receiver_date::kMonth); }
  int day() const { return U1(receiver_date::kDay); }
  int timeBase() const { return U1(receiver_date::kTimeBase); }
};

// [UO] GPS to UTC parameters.
namespace gps_utc {
constexpr int kA0 = 0;             // f8, s
constexpr int kA1 = 8;             // f4, s/s
constexpr int kReferenceTime = 12; // u4, s of week
constexpr int kReferenceWeek = 16; // u2
constexpr int kLeapSeconds = 18;   // i1, GPS - UTC before the next leap second
constexpr int kLeapDay = 19;       // u1
constexpr int kLeapWeek = 20;      // u2
constexpr int kLeapSecondsAfter = 22;  // i1
}
class GpsUtcView : public BodyView {
 public:
  using BodyView::BodyView;
  double a0() const { return F8(gps_utc::kA0); }
  double a1() const { return F4(gps_utc::kA1); }
  uint32_t referenceTime() const { return U4(gps_utc::kReferenceTime); }
  int referenceWeek() const { return U2(gps_utc::kReferenceWeek); }
  int leapSeconds() const { return I1(gps_utc::kLeapSeconds); }
};

// [PV] the receiver's position and velocity, ECEF.
namespace position_velocity {
constexpr int kX = 0, kY = 8, kZ = 16;      // f8, m
constexpr int kPositionSigma = 24;          // f4, m
constexpr int kVx = 28, kVy = 32, kVz = 36; // f4, m/s
constexpr int kVelocitySigma = 40;          // f4, m/s
constexpr int kSolutionType = 44;           // u1
}
class PositionVelocityView : public BodyView {
 public:
  using BodyView::BodyView;
  double x() const { return F8(position_velocity::kX); }
  double y() const { return F8(position_velocity::kY); }
  double z() const { return F8(position_velocity::kZ); }
  double positionSigma() const { return F4(position_velocity::kPositionSigma); }
  int solutionType() const { return U1(position_velocity::kSolutionType); }
};

// [TO] receiver clock offset and [DO] its drift.
namespace clock_offset {
constexpr int kOffset = 0;   // f8, s
}
namespace clock_drift {
constexpr int kDrift = 0;    // f4, s/s
}
class ClockOffsetView : public BodyView {
 public:
  using BodyView::BodyView;
  double offset() const { return F8(clock_offset::kOffset); }
};
class ClockDriftView : public BodyView {
 public:
  using BodyView::BodyView;
  float drift() const { return F4(clock_drift::kDrift); }
};

}  // namespace jps
