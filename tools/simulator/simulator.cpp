#include "tools/simulator/simulator.h"

#include <cmath>
#include <vector>

#include "tools/simulator/constellation.h"
#include "tools/simulator/field_work.h"
#include "tools/simulator/greis_measurements.h"
#include "tools/simulator/greis_records.h"
#include "tools/simulator/rm_records.h"
#include "tools/simulator/sim_time.h"

namespace jpssim {
namespace {

using jpsbuild::Append;
using jpsbuild::Bytes;

// The session starts on 2024-06-12 at a GPS hour and minute taken from the seed.
constexpr int kStartYear = 2024, kStartMonth = 6, kStartDay = 12;
constexpr int kFirstHour = 8, kHours = 12, kMinutes = 60;
constexpr double kMaxMinutes = 7 * 24 * 60;
constexpr double kMinInterval = 0.05, kMaxInterval = 300.0;
constexpr int kSessionParts = 5;
constexpr double kUtcParametersEvery = 1800.0;  // s
constexpr double kTypingLead = 0.25;            // s an event text precedes its epoch
constexpr size_t kSinkChunk = 1 << 16;
// Labels of the extra code error's random streams: C/A and L2 P, the other signals.
constexpr uint64_t kCodeErrorStream = 31, kOtherCodeErrorStream = 32;

int64_t StartSeconds(uint64_t seed) {
  int64_t hour = kFirstHour + static_cast<int64_t>(seed % kHours);
  int64_t minute = static_cast<int64_t>((seed / kHours) % kMinutes);
  return GpsSecondsAtDay(kStartYear, kStartMonth, kStartDay) + hour * 3600 + minute * 60;
}

int EpochCount(const SimulatorOptions& o) {
  return static_cast<int>(std::floor(o.minutes * 60.0 / o.interval + 1e-9));
}

}  // namespace

std::string CheckSimulatorOptions(const SimulatorOptions& o) {
  if (!(o.minutes > 0) || o.minutes > kMaxMinutes)
    return "minutes must be above 0 and at most 10080";
  if (!(o.interval >= kMinInterval) || o.interval > kMaxInterval) {
    return "interval must be from 0.05 to 300 seconds";
  }
  double ms = o.interval * 1000.0;
  if (std::fabs(ms - std::nearbyint(ms)) > 1e-6)
    return "interval must be a whole number of milliseconds";
  if (EpochCount(o) < 1) return "the session is shorter than one interval";
  int next = 1;  // the first epoch a gap may take
  for (const EpochGap& g : o.gaps) {
    if (g.count < 1) return "a gap must leave out at least one epoch";
    if (g.first < next || g.first > EpochCount(o) - 1 - g.count) {
      return "gaps must be in order, apart, and inside the session (not its first or last epoch)";
    }
    next = g.first + g.count + 1;
  }
  if (o.codeErrorSatellite < 0 || o.codeErrorSatellite > 255 || !(o.codeErrorRms >= 0)) {
    return "the code error needs a satellite index from 0 to 255 and a deviation of 0 or more";
  }
  return "";
}

struct Session::State {
  explicit State(const SimulatorOptions& o)
      : options(o),
        epochs(EpochCount(o)),
        clock(StartSeconds(o.seed)),
        sky(clock),
        work(PlanFieldWork(epochs, o.interval)),
        receiver(sky, o.seed, o.interval, work.walk),
        lastIssue(sky.size(), -1),
        codeError(StreamSeed(o.seed, kCodeErrorStream)),
        otherCodeError(StreamSeed(o.seed, kOtherCodeErrorStream)) {}

  void Count(const std::string& id) { ++stats.messages[id]; }
  void Put(Bytes& out, const Bytes& message) {
    Append(out, message);
    Count(std::string(message.begin(), message.begin() + 2));
  }
  void SendEphemeris(Bytes& out, size_t i, double t);
  void Preamble(Bytes& out);
  void WriteEpoch(Bytes& out, int k);
  bool InGap(int k) const;
  void AddCodeError();
  void KeepOnlyRmSignals();
  void CountMissingValues();

  SimulatorOptions options;
  int epochs;
  SessionClock clock;
  Constellation sky;
  FieldWork work;
  ReceiverModel receiver;
  std::vector<int64_t> lastIssue;
  Random codeError, otherCodeError;
  ReceiverEpoch epoch;
  SessionStats stats;
  int next = 0;
  int part = 0;
  size_t nextText = 0, nextPulse = 0;
};

void Session::State::SendEphemeris(Bytes& out, size_t i, double t) {
  int64_t issue = sky.EphemerisIssue(i, t);
  if (issue == lastIssue[i]) return;
  lastIssue[i] = issue;
  if (sky.IsGlonass(i)) {
    Put(out, GlonassEphemerisMessage(sky.GlonassEphemerisAt(i, t)));
    ++stats.glonassEphemerides;
  } else {
    Put(out, GpsEphemerisMessage(sky.GpsEphemerisAt(i, t), std::floor(clock.At(t).secondsOfWeek)));
    ++stats.gpsEphemerides;
  }
}

// At the start of the first epoch: the GPS-UTC parameters and the
// ephemerides of every satellite above the horizon.
void Session::State::Preamble(Bytes& out) {
  TimeTag tag = clock.At(0);
  Put(out, GpsUtcParameters(tag.week, tag.secondsOfWeek));
  for (size_t i : receiver.InView(0)) SendEphemeris(out, i, 0);
}

bool Session::State::InGap(int k) const {
  for (const EpochGap& g : options.gaps) {
    if (k >= g.first && k < g.first + g.count) return true;
  }
  return false;
}

void Session::State::AddCodeError() {
  for (SatObservation& o : epoch.satellites) {
    if (o.index != options.codeErrorSatellite) continue;
    o.caRange += codeError.Noise(options.codeErrorRms);
    o.p2Range += codeError.Noise(options.codeErrorRms);
    for (SignalTruth* s : {&o.p1, &o.ca2, &o.l5}) {
      if (s->sent) s->range += otherCodeError.Noise(options.codeErrorRms);
    }
  }
}

// An [rM] record holds the C/A range and Doppler, the L1 and L2 phases and
// the L2 range, the first three always sent, and both signal strengths; no
// other signal.
void Session::State::KeepOnlyRmSignals() {
  for (SatObservation& o : epoch.satellites) {
    o.hasCaRange = o.hasL1Phase = o.hasL2Phase = true;
    o.hasSnr = o.hasP2Snr = true;
    o.hasP2Doppler = false;
    o.p1 = o.ca2 = o.l5 = SignalTruth();
  }
}

void Session::State::CountMissingValues() {
  for (const SatObservation& o : epoch.satellites) {
    for (int slot = 0; slot < jps::kSignalSlotCount; ++slot) {
      SignalTruth s = o.InSlot(static_cast<jps::SignalSlot>(slot));
      if (!s.sent) continue;
      stats.missingValues += !s.hasRange + !s.hasPhase + !s.hasDoppler + !s.hasSnr;
    }
  }
}

void Session::State::WriteEpoch(Bytes& out, int k) {
  double t = k * options.interval;
  int newPart = static_cast<int>(static_cast<int64_t>(k) * kSessionParts / epochs);
  bool restart = !options.rm && newPart != part;
  part = newPart;
  epoch = receiver.Observe(t, restart);
  if (options.codeErrorSatellite != 0) AddCodeError();
  if (options.rm) KeepOnlyRmSignals();

  // Between epochs: new ephemerides and, now and then, the GPS-UTC parameters.
  if (k > 0) {
    for (const SatObservation& o : epoch.satellites) SendEphemeris(out, o.satellite, t);
    if (std::floor(t / kUtcParametersEvery) !=
        std::floor((t - options.interval) / kUtcParametersEvery)) {
      Put(out, GpsUtcParameters(epoch.tag.week, epoch.tag.secondsOfWeek));
    }
  }

  const TimeTag& tag = epoch.tag;
  Put(out, jpsbuild::ReceiverTime(tag.msOfDay));
  Put(out, jpsbuild::ReceiverDate(tag.date.year, tag.date.month, tag.date.day));
  if (k == 0) Preamble(out);
  for (; nextText < work.texts.size() && work.texts[nextText].epoch <= k; ++nextText) {
    uint32_t lead =
        static_cast<uint32_t>(std::lround(std::min(kTypingLead, options.interval / 2) * 1000));
    uint32_t typed = tag.msOfDay >= lead ? tag.msOfDay - lead : tag.msOfDay;
    Put(out, EventText(typed, work.texts[nextText].text));
  }
  for (; nextPulse < work.pulses.size() && work.pulses[nextPulse].epoch <= k; ++nextPulse) {
    double time = work.pulses[nextPulse].time;
    double ms = std::floor(time * 1000.0);
    int32_t ns = static_cast<int32_t>(std::lround((time * 1000.0 - ms) * 1e6));
    Put(out, EventMark(clock.At(ms / 1000.0).msOfDay, ns));
    ++stats.cameraPulses;
  }

  if (options.rm) {
    Put(out, RmEpochRecord(epoch, newPart % 2 == 0));
  } else {
    Put(out, PositionVelocity(epoch));
    std::vector<std::string> ids;
    AppendMeasurementMessages(out, epoch, MessageSets()[static_cast<size_t>(newPart)], &ids);
    for (const std::string& id : ids) Count(id);
    Put(out, ReceiverClockOffset(epoch.clockOffset));
    Put(out, ReceiverClockDrift(epoch.clockDrift));
  }
  Put(out, jpsbuild::EpochEnd());

  ++stats.epochs;
  for (const SatObservation& o : epoch.satellites) {
    stats.lockStarts += o.lockStarted ? 1 : 0;
    stats.slips += o.slipped ? 1 : 0;
  }
  CountMissingValues();
}

Session::Session(const SimulatorOptions& options) : state_(new State(options)) {
  state_->stats.sitesSaved = state_->work.sitesSaved;
  state_->stats.modeChanges = state_->work.modeChanges;
}

Session::~Session() = default;

int Session::epochCount() const { return state_->epochs; }

bool Session::Next(Bytes* out) {
  State& s = *state_;
  while (s.next < s.epochs && s.InGap(s.next)) ++s.next;
  if (s.next >= s.epochs) return false;
  size_t before = out->size();
  s.WriteEpoch(*out, s.next);
  ++s.next;
  s.stats.bytes += out->size() - before;
  return true;
}

const ReceiverEpoch& Session::lastEpoch() const { return state_->epoch; }
const SessionStats& Session::stats() const { return state_->stats; }

bool SimulateSession(const SimulatorOptions& options, const ByteSink& sink, SessionStats* stats) {
  Session session(options);
  Bytes chunk;
  bool ok = true;
  while (ok && session.Next(&chunk)) {
    if (chunk.size() >= kSinkChunk) {
      ok = sink(chunk.data(), chunk.size());
      chunk.clear();
    }
  }
  if (ok && !chunk.empty()) ok = sink(chunk.data(), chunk.size());
  if (stats != nullptr) *stats = session.stats();
  return ok;
}

Bytes SimulateSessionBytes(const SimulatorOptions& options, SessionStats* stats) {
  Bytes all;
  SimulateSession(
      options,
      [&](const uint8_t* data, size_t size) {
        all.insert(all.end(), data, data + size);
        return true;
      },
      stats);
  return all;
}

}  // namespace jpssim
