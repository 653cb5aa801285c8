// DecodeNext: one framing step per call; a whole message runs its handler.
#include "greis/dispatch.h"

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "greis/ephemeris_views.h"
#include "greis/framing.h"
#include "greis/jps_input.h"
#include "greis/message_parsers.h"
#include "greis/message_tap.h"
#include "greis/satellite_messages.h"
#include "greis/rm_record.h"
#include "support/satellite_numbers.h"

namespace jps {

namespace {

inline const DispatchRow& CurrentRow(const DecoderState* s) {
  return *static_cast<const DispatchRow*>(s->Framing.row);
}

void BackToHunt(DecoderState* s) {
  s->Framing.phase = kPhaseHunt;
  s->Framing.row = nullptr;
}

// A whole message taken: the tap, when there is one, hears of it.
void Tap(DecoderState* s, const uint8_t* message) {
  if (s->Tap != nullptr) s->Tap->OnMessage(message, s->Framing.length);
}

// Rejects the candidate: hunting resumes at the byte after its first character.
void RejectCandidate(DecoderState* s) {
  int back = s->Framing.fill - 1;
  BackToHunt(s);
  if (back > 0) RewindStream(s->Framing, s->JpsStream, back);
}

void RaiseCounter(DecoderState* s, const DispatchRow& row) {
  if (row.counter == kNoCounter) return;
  int8_t& count = s->EpochMessageCounts[row.counter];
  if (count < INT8_MAX) ++count;
}

// Skips a whole message unread; a damaged one is rejected instead, so that
// it does not take the messages after it along unchecked.
DecoderEvent SkipMessage(DecoderState* s, const uint8_t* message, int L) {
  if (GreisChecksum(message, L) != 0) {
    RejectCandidate(s);
  } else {
    ++s->MessagesFound;
    Tap(s, message);
    BackToHunt(s);
  }
  return kEventNone;
}

// The epoch's intake. When a lost block took the start of an epoch, the
// rest of it follows the previous epoch's messages without a receiver time.
// Its first whole message for a store that the epoch already filled (or a
// satellite list after the messages it indexes) closes the intake, with one text to the
// host: the epoch is built from what came before, and its messages are
// skipped up to the next receiver time. A damaged message proves nothing and
// goes the way of any damaged one.
bool FeedsEpoch(const DispatchRow& row) {
  return row.intake != Intake::kOutside && row.intake != Intake::kBoundary;
}

int ArrivalMark(const DispatchRow& row) {
  return row.store == IntakeStore::kOwn ? row.state
                                        : kDispatchStateCount + static_cast<int>(row.store);
}

bool OutOfPlace(const DecoderState& s, const DispatchRow& row) {
  return s.Arrived[ArrivalMark(row)] != 0 ||
         (row.intake == Intake::kSatelliteList && s.SatelliteDataArrived != 0);
}

// The candidate's two identifier characters as a text, for the reports.
struct IdText {
  explicit IdText(const FramingState& f)
      : text{static_cast<char>(f.HeaderBuffer[0]), static_cast<char>(f.HeaderBuffer[1]), '\0'} {}
  char text[3];
};

void CloseIntake(DecoderState* s) {
  s->Intake = kIntakeClosed;
  if (s->Tap != nullptr) s->Tap->OnIntakeClosed();
  s->Context->Notify(TimeOfWeek(*s, ReceiverTimeMs(*s)),
                     "Message %s out of place: epoch skipped to the next receiver time",
                     IdText(s->Framing).text);
}

// True when the message is to be skipped rather than handled. Between an
// epoch-end message and the next receiver time every such message is out of
// place.
bool OutsideIntake(DecoderState* s, const DispatchRow& row, const uint8_t* message, int L) {
  if (!FeedsEpoch(row)) return false;
  if (s->Intake == kIntakeClosed) return true;
  bool outOfPlace = s->Intake == kIntakeAfterEnd || OutOfPlace(*s, row);
  if (!outOfPlace || GreisChecksum(message, L) != 0) return false;
  CloseIntake(s);
  return true;
}

// An accepted message of the epoch has taken its place.
void NoteArrival(DecoderState* s, const DispatchRow& row) {
  if (!FeedsEpoch(row)) return;
  s->Arrived[ArrivalMark(row)] = 1;
  s->EpochIds.Add(row.state);
  if (row.intake == Intake::kPerSatellite) s->SatelliteDataArrived = 1;
}

// The "Size ... Rec ... Bytes" report of a refused message.
void ReportBadMessageHeader(DecoderState* s) {
  const FramingState& f = s->Framing;
  int L = f.length;
  long long position = static_cast<long long>(f.BytesRead) - 4 - L;
  s->Context->Report("Size: %d  Rec: %s Bytes: %lld ", L, IdText(f).text, position);
}

DecoderEvent RefuseMessage(DecoderState* s, const DispatchRow& row) {
  s->EpochDamaged = 1;
  ReportBadMessageHeader(s);
  s->Context->Notify(TimeOfDaySeconds(*s), "Checksum on %d", row.state);
  if (row.zeroed && row.counter != kNoCounter) s->EpochMessageCounts[row.counter] = 0;
  RejectCandidate(s);
  return static_cast<DecoderEvent>(ResetEpoch(s->EpochMessageCounts, s));
}

// The carriers of the channel of the GLONASS ephemeris just stored (also for
// channels outside the satellite numbers 38 to 70, which hold theirs from the
// start); nothing in a GPS-only conversion.
void NoteGlonassCarriers(DecoderState* s) {
  if (s->Context->switches.gpsOnly) return;
  GlonassEphemerisView ephemeris(s->GlnEphemerisRecord, kGlnEphemerisSize);
  int channel = ephemeris.channel();
  int sv = GlonassNumber(channel);
  if (sv < 0 || sv >= kGlonassTableSize) return;
  s->GlonassFrequencies[sv][0] = GlonassL1Frequency(channel);
  s->GlonassFrequencies[sv][1] = GlonassL2Frequency(channel);
}

DecoderEvent AcceptMessage(DecoderState* s, const DispatchRow& row, const uint8_t* message) {
  ++s->MessagesFound;
  if (row.event == kEventGlnEphemeris) NoteGlonassCarriers(s);
  RaiseCounter(s, row);
  NoteArrival(s, row);
  Tap(s, message);
  BackToHunt(s);
  return row.event;
}

DecoderEvent RunParserRow(DecoderState* s, const DispatchRow& row, const uint8_t* message) {
  if (row.parser != nullptr && row.parser(*s, message, s->Framing.length) != 0) {
    return RefuseMessage(s, row);
  }
  return AcceptMessage(s, row, message);
}

}  // namespace

DecoderEvent HandleMessage(DecoderState* s, const uint8_t* message) {
  const DispatchRow& row = CurrentRow(s);
  int L = s->Framing.length;
  if (OutsideIntake(s, row, message, L)) return SkipMessage(s, message, L);
  switch (row.handling) {
    case Handling::kNone:
      return SkipMessage(s, message, L);

    case Handling::kReceiverTime:
      // The previous epoch is complete: stay here until the driver took it.
      // Only a receiver-time message that passes its check ends an epoch: a
      // damaged one would hand over the epoch before the rest of it arrived.
      if (s->EpochMessageCounts[kCountCaRange] == 1 && L == kReceiverTimeSize &&
          GreisChecksum(message, L) == 0) {
        return kEventEpoch;
      }
      ClearEpochCounters(s);
      s->Intake = kIntakeOpen;
      std::memset(&s->CaRange, 0, sizeof s->CaRange);
      return RunParserRow(s, row, message);

    case Handling::kEpochEnd:
      // Its body is the checksum byte alone; a damaged one ends nothing.
      if (GreisChecksum(message, L) != 0) {
        RejectCandidate(s);
        return kEventNone;
      }
      ++s->MessagesFound;
      Tap(s, message);
      BackToHunt(s);
      if (s->Intake == kIntakeOpen) s->Intake = kIntakeAfterEnd;
      if (s->EpochMessageCounts[kCountCaRange] == 1) return kEventEpoch;
      ClearEpochCounters(s);
      return kEventNone;

    case Handling::kReceiverDate:
      if (ParseReceiverDate(*s, message, L) != 0) return RefuseMessage(s, row);
      s->DateValid = 1;
      ++s->MessagesFound;
      NoteArrival(s, row);
      Tap(s, message);
      BackToHunt(s);
      return kEventNone;

    case Handling::kSatIndices:
      if (ParseSatIndices(*s, message, L) == 0) return AcceptMessage(s, row, message);
      s->EpochDamaged = 1;
      ReportBadMessageHeader(s);
      s->Context->Notify(TimeOfDaySeconds(*s), "Checksum error on SI message: %d %d", row.state, L);
      s->EpochMessageCounts[kCountSatIndices] = 0;
      RejectCandidate(s);
      return static_cast<DecoderEvent>(ResetEpoch(s->EpochMessageCounts, s));

    case Handling::kRmRecord:
      CheckRmHeader(*s, message, L);  // its result is the record parser's concern
      if (row.parser(*s, message, L) == -1) {
        s->Context->Notify(s->RmEpochTime, "Checksum on RAW Meas");
        RejectCandidate(s);
        return kEventNone;
      }
      ++s->MessagesFound;
      BackToHunt(s);
      return kEventRmEpoch;

    case Handling::kParser:
      return RunParserRow(s, row, message);

    case Handling::kTapOnly:
      return SkipMessage(s, message, L);
  }
  BackToHunt(s);
  return kEventNone;
}

bool FinishHeader(DecoderState* s) {
  FramingState& f = s->Framing;
  int L = ParseHexLength(f.HeaderBuffer + 2);
  const DispatchRow* row = L > 0 ? FindDispatchRow(f.HeaderBuffer) : nullptr;
  if (row != nullptr && L > row->maxLength) {
    if (row->overLimitText != nullptr) s->Context->Report("%s", row->overLimitText);
    row = nullptr;
  }
  // Too long for the KEL epoch, or not read for it: the tap may still read it.
  if (row == nullptr) row = FindTapOnlyRow(f.HeaderBuffer, L);
  if (row == nullptr) {
    RejectCandidate(s);
    return false;
  }
  f.length = L;
  f.row = row;
  f.phase = row->state;
  return true;
}

DecoderEvent DecodeNext(DecoderState* s) {
  FramingState& f = s->Framing;
  JpsInput* in = s->JpsStream;
  switch (f.phase) {
    case kPhaseHunt: {
      f.fill = 0;
      int c = ReadStreamByte(f, in);
      if (c < 0) return kEventEnd;
      f.HeaderBuffer[0] = static_cast<uint8_t>(c);
      if (IsFirstIdChar(static_cast<uint8_t>(c))) f.phase = kPhaseSecondChar;
      return kEventNone;
    }
    case kPhaseSecondChar: {
      f.fill = 1;
      int c = ReadStreamByte(f, in);
      if (c < 0) return kEventEnd;
      f.HeaderBuffer[1] = static_cast<uint8_t>(c);
      if (IsMessageId(f.HeaderBuffer[0], static_cast<uint8_t>(c))) {
        f.fill = 2;
        f.phase = kPhaseHeader;
      } else {
        f.phase = kPhaseHunt;
        RewindStream(f, in, 1);
      }
      return kEventNone;
    }
    case kPhaseHeader: {
      while (f.fill < kFrameHeaderSize) {
        int c = ReadStreamByte(f, in);
        if (c < 0) return kEventEnd;
        f.HeaderBuffer[f.fill++] = static_cast<uint8_t>(c);
      }
      FinishHeader(s);
      return kEventNone;
    }
    default: {
      // The rest of the message, or as much as the buffer holds: a candidate
      // that fills all of it is rejected.
      int total = f.length + kFrameHeaderSize;
      int target = total < kHeaderBufferSize ? total : kHeaderBufferSize;
      if (f.fill < target) {
        int want = target - f.fill;
        int got = ReadStreamBytes(f, in, f.HeaderBuffer + f.fill, want);
        f.fill += got;
        if (got < want) return kEventEnd;
      }
      if (f.fill >= kHeaderBufferSize) {
        RejectCandidate(s);
        return kEventNone;
      }
      return HandleMessage(s, f.HeaderBuffer);
    }
  }
}

bool CutOffMessage(const DecoderState& s, char (&id)[3], bool* ofAnEpoch) {
  const FramingState& f = s.Framing;
  if (f.phase == kPhaseHunt || f.fill < 1) return false;
  // One byte is a first identifier character at most: it may have begun anything.
  if (f.fill < 2) {
    id[0] = static_cast<char>(f.HeaderBuffer[0]);
    id[1] = '\0';
    *ofAnEpoch = true;
    return true;
  }
  IdText text(f);
  std::memcpy(id, text.text, sizeof id);
  // The next epoch's receiver time, and messages known to lie outside
  // epochs (ephemerides, events), belong to no epoch that was open.
  const uint8_t* h = f.HeaderBuffer;
  bool perSatellite = FindSatelliteMessage(h) != nullptr || (h[0] == 'S' && h[1] == 'I') ||
                      (h[0] == 'N' && h[1] == 'N');
  const DispatchRow* row = f.fill >= 3 ? FindDispatchRow(h) : nullptr;
  bool boundary = h[0] == '~' && h[1] == '~';
  bool outside = row != nullptr && row->intake == Intake::kOutside && !perSatellite;
  *ofAnEpoch = !boundary && !outside;
  return true;
}

int ResetEpoch(int8_t* counts, DecoderState* s) {
  if (s->Context->switches.keepDamagedEpochs) return kEventNone;
  (void)counts;
  if (s->Tap != nullptr) s->Tap->OnEpochDiscarded();
  ClearEpochCounters(s);
  ResetEpochArrays(s);
  s->EpochMessageCounts[kCountDamaged] = 1;
  return kEventDiscarded;
}

// The arrays from CaRange to P1Doppler lie one after another: they are
// cleared as one run (a store loop per array costs more than the stores).
constexpr size_t kEpochArraysBegin = offsetof(DecoderState, CaRange);
constexpr size_t kEpochArraysEnd =
    offsetof(DecoderState, P1Doppler) + sizeof DecoderState::P1Doppler;
static_assert(kEpochArraysEnd - kEpochArraysBegin ==
                  6 * sizeof(SignalArray) + 2 * sizeof DecoderState::CaDoppler,
              "CaRange, P1Range, P2Range, CaPhase, P1Phase, P2Phase, CaDoppler, P1Doppler "
              "in a row");

void ResetEpochArrays(DecoderState* s) {
  std::memset(reinterpret_cast<uint8_t*>(s) + kEpochArraysBegin, 0,
              kEpochArraysEnd - kEpochArraysBegin);
}

void ClearEpochCounters(DecoderState* s) {
  std::memset(s->EpochMessageCounts, 0, sizeof s->EpochMessageCounts);
  std::memset(s->Arrived, 0, sizeof s->Arrived);
  s->SatelliteDataArrived = 0;
  s->EpochIds = EpochIdSet{};
  s->EpochDamaged = 0;
}

void ResetDecoder(DecoderState* s, ConversionContext* context) {
  std::memset(static_cast<void*>(s), 0, sizeof *s);
  s->Context = context;
  // A GLONASS satellite's number tells its channel, and the channel its
  // carriers: they are known before the channel's first ephemeris.
  for (int sv = kFirstGlonassNumber; sv <= kLastGlonassNumber; ++sv) {
    s->GlonassFrequencies[sv][0] = GlonassL1Frequency(GlonassChannel(sv));
    s->GlonassFrequencies[sv][1] = GlonassL2Frequency(GlonassChannel(sv));
  }
  ResetFraming(s->Framing);
}


}  // namespace jps
