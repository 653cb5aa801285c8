// [==] event texts typed by the operator ("_SIT=PT1") and the [XA]/[XB] marks
// of the receiver's event inputs. Both only collect: the station-mark writer
// applies the collected events once per epoch.
#include "greis/event_records.h"

#include <charconv>
#include <cmath>
#include <cstring>

#include "context/conversion_context.h"
#include "greis/framing.h"
#include "greis/message_parsers.h"

namespace jps {

namespace {

// [==] body: u4 ms of day, one unused byte, the text, the checksum byte.
constexpr int kEventTimeSize = 4;
constexpr int kEventTextOffset = 5;
constexpr uint32_t kMaxEventTimeMs = 86400000;   // a later time of day is ignored
constexpr int kMinEventLength = 12;              // shorter bodies carry no usable text
constexpr int kMaxEventLength = 70;              // longer bodies are cut here
constexpr int kMaxEventChars = kMaxEventLength - kEventTextOffset - 1;   // 64
constexpr int kEventMarkLength = kEventMarkSize + 1;                     // mark + checksum

constexpr char kSlantMark = 's';      // ends a slant antenna height ("1.532s")

bool IsBlank(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}


// The leading decimal number of a text ("1.532", "-2e-1"); 0 when there is none
// or when it does not fit a finite double.
double LeadingDecimal(const char* text) {
  const char* p = text;
  auto digits = [&p]() {
    const char* start = p;
    while (*p >= '0' && *p <= '9') ++p;
    return p != start;
  };
  if (*p == '+' || *p == '-') ++p;
  bool whole = digits();
  bool fraction = false;
  if (*p == '.') {
    ++p;
    fraction = digits();
  }
  if (!whole && !fraction) return 0.0;
  const char* end = p;
  if (*p == 'e' || *p == 'E') {
    ++p;
    if (*p == '+' || *p == '-') ++p;
    if (digits()) end = p;
  }
  const char* first = (*text == '+') ? text + 1 : text;   // from_chars takes no '+'
  double value = 0.0;
  auto result = std::from_chars(first, end, value);
  if (result.ec != std::errc() || !std::isfinite(value)) return 0.0;
  return value;
}

// One event of the [==] text, split into key and value.
struct TypedEvent {
  const char* key;
  char* value;     // may be shortened by its action
  double time;     // time of week, for the host messages
  ConversionContext& context;
};

// Each action returns true when the event counts as accepted.
using EventAction = bool (*)(EventState& e, TypedEvent& ev);

bool OnHeight(EventState& e, TypedEvent& ev) {
  size_t n = std::strlen(ev.value);
  if (n > 0 && ev.value[n - 1] == kSlantMark) {
    ev.value[n - 1] = '\0';
    ++e.SlantCount;
  } else {
    // Only the last height counts, so only its slant mark does.
    e.SlantCount = 0;
  }
  e.AntennaHeight = LeadingDecimal(ev.value);
  return true;
}

struct DynamicsRow {
  const char* word;
  int32_t dynamics;
};
constexpr DynamicsRow kDynamicsWords[] = {{"STATIC", 0}, {"DYNAMIC", 1}};

// The count is raised only by a valid flag: a mistyped one is reported and is
// no mode change at all (counting it would switch a kinematic survey to static
// when the events are handled). The kinematic switch itself changes when the
// epoch's events are handled, so the epoch that carries the change is still
// written in the mode it was measured in.
bool OnDynamics(EventState& e, TypedEvent& ev) {
  for (const DynamicsRow& row : kDynamicsWords) {
    if (!SameTextIgnoringCase(ev.value, row.word)) continue;
    ++e.DynamicsCount;
    e.Dynamics = row.dynamics;
    if (row.dynamics != 0) e.DynamicEntered = 1;
    return true;
  }
  ev.context.Notify(ev.time, "Invalid Dynamics flag '%s'", ev.value);
  return false;
}

using EventText = char[kEventTextSize];

// A keyword raises its count and keeps its value in its text field; _ANH and
// _DYM read the value instead (their action returns false to refuse it).
struct KeywordRow {
  const char* keyword;
  int32_t EventState::*count;
  EventText EventState::*text;
  EventAction action;
};

// Keywords in the order they are tried; case is ignored.
constexpr KeywordRow kKeywords[] = {
    {"_ANT", &EventState::AntennaCount, &EventState::AntennaText, nullptr},
    {"_ANH", &EventState::HeightCount, nullptr, OnHeight},
    {"_DYM", nullptr, nullptr, OnDynamics},
    {"_SIT", &EventState::SiteCount, &EventState::SiteText, nullptr},
    {"_CAN", &EventState::CancelCount, &EventState::CancelText, nullptr},
    {"_SAV", &EventState::SaveCount, &EventState::SaveText, nullptr},
    {"_DSC", &EventState::DescriptionCount, &EventState::DescriptionText, nullptr},
    {"_ENT", &EventState::EntityCount, &EventState::EntityText, nullptr},
};

bool ApplyKeyword(const KeywordRow& row, EventState& e, TypedEvent& ev) {
  if (row.count != nullptr) ++(e.*row.count);
  if (row.text != nullptr) CopyEventText(e.*row.text, ev.value);
  return row.action == nullptr || row.action(e, ev);
}

// The text of body offsets 5 to L - 2, at most 64 characters, ends at a NUL.
void ExtractEventText(const uint8_t* body, int L, char (&text)[kMaxEventChars + 1]) {
  int n = L - 1 - kEventTextOffset;
  if (n > kMaxEventChars) n = kMaxEventChars;
  std::memcpy(text, body + kEventTextOffset, static_cast<size_t>(n));
  text[n] = '\0';
}

// "=" separates key and value, so it becomes a blank; blanks inside a value
// become "_". Returns the number of "=".
int MarkSeparators(char* text) {
  int count = 0;
  for (char* p = text; *p != '\0'; ++p) {
    if (*p == '=') {
      *p = ' ';
      ++count;
    } else if (*p == ' ') {
      *p = '_';
    }
  }
  return count;
}

// Cuts the next blank-separated token out of the text; null when there is none.
char* NextToken(char*& cursor) {
  while (IsBlank(*cursor)) ++cursor;
  if (*cursor == '\0') return nullptr;
  char* token = cursor;
  while (*cursor != '\0' && !IsBlank(*cursor)) ++cursor;
  if (*cursor != '\0') *cursor++ = '\0';
  return token;
}

}  // namespace

int ParseEventRecord(DecoderState& s, const uint8_t* message, int L) {
  if (!ChecksumOk(message, L)) return -1;
  // A body without a whole time of day holds nothing to use.
  if (L < kEventTimeSize + 1) return 0;
  const uint8_t* body = message + kFrameHeaderSize;
  uint32_t msOfDay = LoadU32(body);
  s.Events.EventTime = msOfDay;
  const double t = TimeOfWeek(s, msOfDay);
  if (msOfDay > kMaxEventTimeMs || L < kMinEventLength) return 0;
  ConversionContext& context = *s.Context;
  if (L > kMaxEventLength) {
    context.Notify(t, "Event string is too long--station information may be cut");
    L = kMaxEventLength;
  }

  char text[kMaxEventChars + 1];
  ExtractEventText(body, L, text);
  int separators = MarkSeparators(text);
  if (separators > 1) {
    context.Notify(t, "Too many '=' in event record (==)");
    return 0;
  }
  if (separators == 0) {
    context.Notify(t, "Missing '=' in event record (==)");
    return 0;
  }
  char* cursor = text;
  char* key = NextToken(cursor);
  char* value = key != nullptr ? NextToken(cursor) : nullptr;
  if (key == nullptr || value == nullptr) {
    context.Notify(t, "Failure to properly decode event record (==)");
    return 0;
  }
  if (context.switches.verbose) context.Notify(t, "EVENT(%s) = '%s'", key, value);

  TypedEvent event{key, value, t, context};
  for (const KeywordRow& row : kKeywords) {
    if (!SameTextIgnoringCase(key, row.keyword)) continue;
    if (ApplyKeyword(row, s.Events, event)) ++s.Events.EventCount;
    return 0;
  }
  context.Notify(t, "Unknown Event message '%s'", key);
  return 0;
}

int ParseEventMark(DecoderState& s, const uint8_t* message, int L, int list) {
  // A mark is exactly 9 bytes and its checksum; nothing else is read.
  if (L != kEventMarkLength || !ChecksumOk(message, L)) return -1;
  EventMark* marks = list == kEventListA ? s.XaEvents : s.XbEvents;
  int32_t& count = list == kEventListA ? s.XaEventCount : s.XbEventCount;
  if (count >= kMaxEventMarks) {
    s.Context->Notify(s.Context->continuity.LastEpochTime,
                      "Too many events per epoch, only %d allowed", kMaxEventMarks);
    return 0;
  }
  std::memcpy(marks[count].bytes, message + kFrameHeaderSize, kEventMarkSize);
  ++count;
  return 0;
}

}  // namespace jps
