// The per-satellite messages: one entry per satellite of the epoch's list, in
// the order of SatIndices. Each message is one row of a table that names its
// entry type, whether the receiver's absent-value marker is tested, where the
// entries are kept, the signal array that takes them as doubles with its form
// code, and the array whose Form is marked when the message is refused.
#include <array>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <type_traits>
#include <utility>
#include <variant>

#include "greis/framing.h"
#include "greis/message_parsers.h"
#include "greis/satellite_values.h"
#include "support/little_endian.h"

namespace jps {
namespace {

// A C/A pseudorange longer than this (seconds) is no pseudorange.
constexpr double kMaxCaRangeSeconds = 0.15;

// How one entry type is read from a body and how its marker looks: the
// receiver's markers for the integers (the one-byte entries are never tested
// here), the KEL conversion's own tests for the floats.
template <typename T> struct Entry {
  static T Load(const uint8_t* p) { return LoadEntry<T>(p); }
  static bool Absent(const uint8_t* p) { return IsNoValue<T>(p); }
};
template <> struct Entry<double> {
  static double Load(const uint8_t* p) { return LoadEntry<double>(p); }
  static bool Absent(const uint8_t* p) { return KelF8Absent(p); }
};
template <> struct Entry<float> {
  static float Load(const uint8_t* p) { return LoadEntry<float>(p); }
  static bool Absent(const uint8_t* p) { return KelF4Absent(p); }
};

// The store of a message: 24 entries of its entry type.
using EntryStore = std::variant<double*, float*, int32_t*, uint32_t*, int16_t*, uint16_t*,
                                int8_t*, uint8_t*>;

struct PerSatelliteMessage {
  char id[2];
  EntryStore (*store)(DecoderState&);
  SignalArray* (*signal)(DecoderState&);      // takes the entries as doubles; null if none
  MeasurementForm form;                        // Form of signal when accepted
  SignalArray* (*refusedMark)(DecoderState&);  // Form set to 255 when refused; null if none
  bool marker;                                 // entries with the absent-value marker become 0
  bool caRangeLimit;                           // magnitudes above kMaxCaRangeSeconds become 0
};

SignalArray* CaRange(DecoderState& s) { return &s.CaRange; }
SignalArray* P1Range(DecoderState& s) { return &s.P1Range; }
SignalArray* P2Range(DecoderState& s) { return &s.P2Range; }
SignalArray* CaPhase(DecoderState& s) { return &s.CaPhase; }
SignalArray* P1Phase(DecoderState& s) { return &s.P1Phase; }
SignalArray* P2Phase(DecoderState& s) { return &s.P2Phase; }
constexpr SignalArray* (*kNoSignal)(DecoderState&) = nullptr;

constexpr bool kMarker = true;
constexpr bool kNoMarker = false;
constexpr MeasurementForm kNoForm = kFormNone;

// clang-format off
constexpr PerSatelliteMessage kMessages[] = {
    // Pseudoranges in seconds; the C/A ones are bounded.
    {{'R', 'C'}, [](DecoderState& s) -> EntryStore { return s.CaRange.values; }, CaRange, kFormSeconds, CaRange, kMarker, true},
    {{'R', '1'}, [](DecoderState& s) -> EntryStore { return s.P1Range.values; }, P1Range, kFormSeconds, P1Range, kMarker, false},
    {{'R', '2'}, [](DecoderState& s) -> EntryStore { return s.P2Range.values; }, P2Range, kFormSeconds, P2Range, kMarker, false},
    // Pseudoranges as counts or relative to the C/A pseudorange.
    {{'r', 'c'}, [](DecoderState& s) -> EntryStore { return s.Raw.rc; }, CaRange, kFormShortRange, CaRange, kMarker, false},
    {{'r', '2'}, [](DecoderState& s) -> EntryStore { return s.Raw.r2; }, P2Range, kFormShortRange, P2Range, kMarker, false},
    {{'2', 'r'}, [](DecoderState& s) -> EntryStore { return s.Raw.r2Relative; }, P2Range, kFormShortRelativeRange, P2Range, kMarker, false},
    {{'2', 'R'}, [](DecoderState& s) -> EntryStore { return s.Raw.R2Relative; }, P2Range, kFormFloatRelativeRange, P2Range, kMarker, false},
    // Carrier phases in cycles.
    {{'P', 'C'}, [](DecoderState& s) -> EntryStore { return s.CaPhase.values; }, CaPhase, kFormCycles, CaPhase, kMarker, false},
    {{'P', '1'}, [](DecoderState& s) -> EntryStore { return s.P1Phase.values; }, P1Phase, kFormCycles, P1Phase, kMarker, false},
    {{'P', '2'}, [](DecoderState& s) -> EntryStore { return s.P2Phase.values; }, P2Phase, kFormCycles, P2Phase, kMarker, false},
    // Carrier phases as counters, or relative to the C/A pseudorange.
    {{'p', 'c'}, [](DecoderState& s) -> EntryStore { return s.Raw.pc; }, CaPhase, kFormPhaseCounter, CaPhase, kMarker, false},
    {{'p', '1'}, [](DecoderState& s) -> EntryStore { return s.Raw.p1; }, P1Phase, kFormPhaseCounter, P1Phase, kMarker, false},
    {{'p', '2'}, [](DecoderState& s) -> EntryStore { return s.Raw.p2; }, P2Phase, kFormPhaseCounter, P2Phase, kMarker, false},
    {{'c', 'p'}, [](DecoderState& s) -> EntryStore { return s.Raw.cp; }, CaPhase, kFormIntRelativePhase, CaPhase, kMarker, false},
    {{'1', 'p'}, [](DecoderState& s) -> EntryStore { return s.Raw.p1Relative; }, P1Phase, kFormIntRelativePhase, P1Phase, kMarker, false},
    {{'2', 'p'}, [](DecoderState& s) -> EntryStore { return s.Raw.p2Relative; }, P2Phase, kFormIntRelativePhase, P2Phase, kMarker, false},
    {{'C', 'P'}, [](DecoderState& s) -> EntryStore { return s.Raw.CP; }, CaPhase, kFormFloatRelativePhase, CaPhase, kMarker, false},
    {{'2', 'P'}, [](DecoderState& s) -> EntryStore { return s.Raw.P2Relative; }, P2Phase, kFormFloatRelativePhase, P2Phase, kMarker, false},
    // Dopplers, signal-to-noise ratios, lock times, loop flags, elevations, azimuths.
    {{'D', 'C'}, [](DecoderState& s) -> EntryStore { return s.CaDoppler; }, kNoSignal, kNoForm, kNoSignal, kMarker, false},
    {{'D', '1'}, [](DecoderState& s) -> EntryStore { return s.P1Doppler; }, kNoSignal, kNoForm, kNoSignal, kNoMarker, false},
    {{'D', '2'}, [](DecoderState& s) -> EntryStore { return s.P2Doppler; }, kNoSignal, kNoForm, kNoSignal, kNoMarker, false},
    {{'E', 'C'}, [](DecoderState& s) -> EntryStore { return s.CaSnr; }, kNoSignal, kNoForm, kNoSignal, kNoMarker, false},
    {{'T', 'C'}, [](DecoderState& s) -> EntryStore { return s.LockTimes; }, kNoSignal, kNoForm, kNoSignal, kMarker, false},
    // A refused loop-flag message marks the L2 pseudoranges.
    {{'F', 'C'}, [](DecoderState& s) -> EntryStore { return s.CaLoopFlags; }, kNoSignal, kNoForm, P2Range, kMarker, false},
    {{'E', 'L'}, [](DecoderState& s) -> EntryStore { return s.SatElevations; }, kNoSignal, kNoForm, kNoSignal, kNoMarker, false},
    {{'A', 'Z'}, [](DecoderState& s) -> EntryStore { return s.SatAzimuths; }, kNoSignal, kNoForm, kNoSignal, kNoMarker, false},
};
// clang-format on
constexpr IdIndex kMessageIndex =
    BuildIdIndex(kMessages, [](const PerSatelliteMessage& m) { return m.id; });

int Refuse(const PerSatelliteMessage& m, DecoderState& s) {
  if (m.refusedMark != nullptr) m.refusedMark(s)->Form = kFormFailed;
  return -1;
}

// Reads count entries of type T into entries (and, converted to doubles,
// into signal when there is one, marking the slots that carried the marker),
// testing the marker and the C/A range bound as the message asks.
template <typename T, bool kTestMarker, bool kRangeLimit>
void ReadEntries(const uint8_t* body, int count, T* entries, SignalArray* signal) {
  uint32_t absent = 0;
  for (int i = 0; i < count; ++i) {
    const uint8_t* p = body + static_cast<size_t>(i) * sizeof(T);
    bool marked = kTestMarker && Entry<T>::Absent(p);
    T value = marked ? T{0} : Entry<T>::Load(p);
    if (kRangeLimit && std::fabs(static_cast<double>(value)) > kMaxCaRangeSeconds) value = T{0};
    entries[i] = value;
    if (marked) absent |= 1u << i;
    if (signal != nullptr) signal->values[i] = static_cast<double>(value);
  }
  if (signal != nullptr) signal->Absent = absent;
}

// The parser of row kRow, with everything the row says known when it is
// compiled: no lookup, no indirect call and no type switch per message.
template <size_t kRow>
int ParseRow(DecoderState& s, const uint8_t* message, int L) {
  constexpr const PerSatelliteMessage& m = kMessages[kRow];
  if (!ChecksumOk(message, L)) return Refuse(m, s);
  EntryStore store = m.store(s);
  int count = s.SatCount;
  return std::visit(
      [&](auto* entries) -> int {
        using Value = std::remove_pointer_t<decltype(entries)>;
        // The body must hold every entry that is read, and the checksum byte.
        if (count < 0 || count > kMaxSlots ||
            static_cast<size_t>(L) < static_cast<size_t>(count) * sizeof(Value) + 1) {
          return Refuse(m, s);
        }
        SignalArray* signal = m.signal != nullptr ? m.signal(s) : nullptr;
        ReadEntries<Value, m.marker, m.caRangeLimit>(message + kFrameHeaderSize, count, entries,
                                                     signal);
        if (signal != nullptr) signal->Form = m.form;
        return 0;
      },
      store);
}

using RowParser = int (*)(DecoderState&, const uint8_t*, int);

template <size_t... kRows>
constexpr std::array<RowParser, sizeof...(kRows)> RowParsers(std::index_sequence<kRows...>) {
  return {&ParseRow<kRows>...};
}

constexpr size_t kMessageCount = sizeof kMessages / sizeof kMessages[0];
constexpr std::array<RowParser, kMessageCount> kRowParsers =
    RowParsers(std::make_index_sequence<kMessageCount>());

}  // namespace

int ParsePerSatellite(DecoderState& s, const uint8_t* message, int L) {
  const PerSatelliteMessage* m = FindById(kMessages, kMessageIndex, message);
  if (m == nullptr) return -1;
  return kRowParsers[static_cast<size_t>(m - kMessages)](s, message, L);
}

}  // namespace jps
