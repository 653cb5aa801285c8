// The lines of a station-mark (STA) file read back: the "Mark File:" title,
// station lines, mode changes, cancelled sites and camera pulses. Times are
// seconds of the GPS week, as the lines carry them.
#pragma once

#include <cstdint>

#include "support/line_reader.h"
#include "support/text_stream.h"

namespace jps {

// The antenna texts that the converter writes in place of the antenna's own:
// a height measured on the slant, and a feature that is not a site.
constexpr const char* kStaSlantAntennaText = "SlantMeas";
constexpr const char* kStaEntityAntennaText = "ENTITY";

enum class StaLineKind {
  kOther,         // not a line of the forms below
  kBlank,         // the empty line before a camera pulse
  kTitle,         // "Mark File:"
  kStation,       // "STA: * time * name * height * description * antenna * "
  kModeChange,    // "time ENTERING KINEMATIC MODE" or "... STATIC MODE"
  kSiteCanceled,  // "SITE name CANCELED"
  kCameraPulse,   // "CAMERA PULSE #n AT: time"
};

struct StaLine {
  StaLineKind kind;
  double time;               // station, mode change, camera pulse
  int32_t kinematic;         // mode change: 1 kinematic, 0 static
  int32_t pulse;             // camera pulse number
  double antennaHeight;      // station, metres
  char name[kTextLineSize];  // station or cancelled site
  char description[kTextLineSize];
  char antenna[kTextLineSize];
};

// Reads one line of the file, without its line end, into *line and returns
// its kind. Fields of other kinds are left empty or 0.
StaLineKind ParseStaLine(const char* text, StaLine* line);

// Writes the file's title line.
void WriteStaTitle(TextStream& stream);
// Writes a station line, mode change, cancelled site or camera pulse (the
// pulse after an empty line); other kinds write nothing.
void WriteStaLine(TextStream& stream, const StaLine& line);

}  // namespace jps
