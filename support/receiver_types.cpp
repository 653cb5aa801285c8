#include "support/receiver_types.h"

#include <cstring>

namespace jps {
namespace {

constexpr const char* kUnknownReceiverType = "UNKNOWN";

// Indexed by code; code 0 has no receiver.
constexpr const char* kReceiverTypeNames[] = {
    kUnknownReceiverType, "Leica MX",          "Ashtech GPS",         "Trimble DAT",
    "NovAtel OEM2/3",     "Motorola Oncore",   "RINEX",               "FURUNO",
    "Parthus",            "Rockwell PLGR",     "Canadian Marconi",    "AOA Turbo Binary",
    "RTCM",               "Leica SR",          "Rockwell Jupiter",    "Trimble SV6",
    "KelCat Resampled",   "Ashtech GPS-GLN",   "UKOA",                "Rockwell PLGR2",
    "Magellan",           "Position Correction", "Javad",             "Trimble CMR",
    "Garmin 25/35",       "Trimble TIPY",      "Trimble TSIP",        "UniStrong Custom",
    "NavSys AGR",         "Trimble Real-Time", kUnknownReceiverType,  "SIRF Binary",
    "NAVCOM RawData",     "CSI-SLX",           "NovAtel OEM4",        "GRAM-S",
};
constexpr uint32_t kReceiverTypeCount = sizeof kReceiverTypeNames / sizeof kReceiverTypeNames[0];

}  // namespace

const char* ReceiverTypeName(uint32_t code) {
  static char name[kReceiverTypeNameSize];
  const char* source = code < kReceiverTypeCount ? kReceiverTypeNames[code] : kUnknownReceiverType;
  std::strncpy(name, source, sizeof name - 1);
  name[sizeof name - 1] = '\0';
  return name;
}

}  // namespace jps
