// Collects the observations of every system and signal from the receiver's
// stream, as the decoder hands it over message by message (message_tap.h),
// and delivers each whole epoch (observation_epoch.h).
//
// The messages after a receiver time [~~] up to the next [~~] or an epoch
// end [||] form one epoch. Of each identifier the epoch takes the first
// message; a second one, or a satellite list after the messages it indexes,
// belongs to another epoch whose receiver time was lost: the epoch's intake
// closes there (the epoch keeps what came before) up to the next [~~], as it
// does when the decoder closes it. An epoch that a damaged message discarded
// is dropped whole. A whole epoch is delivered when it has a time, a date and
// at least one satellite with a value.
//
// The satellite list [SI], the GLONASS slots [NN] and the GLONASS
// ephemerides [NE] are kept across epochs: the latest list indexes every
// epoch's per-satellite messages until the next one.
#pragma once

#include <cstdint>
#include <memory>

#include "context/conversion_context.h"
#include "epoch/observation_epoch.h"
#include "greis/message_tap.h"

namespace jps {

class ObservationReceiver {
 public:
  virtual ~ObservationReceiver() = default;
  // epoch is valid during the call only: the collector reuses it.
  virtual void OnObservationEpoch(const ObservationEpoch& epoch) = 0;
};

class ObservationCollector final : public MessageTap {
 public:
  ObservationCollector(ConversionContext& context, ObservationReceiver& receiver);
  ~ObservationCollector() override;
  ObservationCollector(const ObservationCollector&) = delete;
  ObservationCollector& operator=(const ObservationCollector&) = delete;

  // The start of a conversion: forgets everything.
  void Reset();
  void OnMessage(const uint8_t* message, int L) override;
  void OnIntakeClosed() override;
  void OnEpochDiscarded() override;
  // What became of the epoch still open when the input ended.
  enum class LastEpoch { kNone, kWritten, kLeftOut };
  // The input ended. The epoch still open is written when it is as whole as
  // those before it: it took every identifier that each epoch written took
  // (those sent only every few epochs do not count), and none of its
  // messages was damaged or cut off (damaged: the decoder's word).
  LastEpoch Finish(bool damaged);
  // A conversion stopped by the user: the open epoch is left out.
  void Stop();

 private:
  struct State;

  void OnReceiverTime(const uint8_t* body, int L);
  void OnSatelliteList(const uint8_t* body, int L);
  void OnSatelliteMessage(int kind, const uint8_t* body, int L);
  void OnRecord(const uint8_t* message, const uint8_t* body, int L);
  // True when the epoch takes a message with this arrival mark; a second
  // one closes the intake.
  bool Takes(int mark);
  void OpenEpoch();
  // The epoch is whole: delivered (true) when it has what an epoch needs.
  bool CompleteEpoch();
  int BuildEpoch();

  ConversionContext& context_;
  ObservationReceiver& receiver_;
  std::unique_ptr<State> state_;   // the stores, allocated once
};

}  // namespace jps
