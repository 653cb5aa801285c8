#include "tools/simulator/message_sets.h"

namespace jpssim {
namespace {

using R = RangeForm;
using P = PhaseForm;
using D = DopplerForm;
using E = SnrForm;

constexpr SlotForms kNoSlot{R::kNone, P::kNone, D::kNone, E::kNone};

// How a form writes its identifier: the family letter first or second, in
// upper or lower case. The C/A slot's character follows the case of the
// letter ([RC] [rc] [cp] [CP]).
struct IdPattern {
  bool letterFirst;
  bool upper;
};
// By form, kNone left out.
constexpr IdPattern kRangePhaseIds[] = {{true, true}, {true, false}, {false, false}, {false, true}};
constexpr IdPattern kDopplerIds[] = {{true, true}, {false, false}};
constexpr IdPattern kSnrIds[] = {{true, true}, {false, true}};

// The identifier of form (0: kNone, then the patterns' order) in a slot.
template <size_t kForms>
std::string IdOf(char letter, jps::SignalSlot slot, int form,
                 const IdPattern (&patterns)[kForms]) {
  if (form < 1 || form > static_cast<int>(kForms)) return "";
  const IdPattern& p = patterns[form - 1];
  char s = jps::kSlotCharacters[static_cast<int>(slot)];
  if (slot == jps::SignalSlot::kCa && p.upper) s = 'C';
  char l = p.upper ? letter : static_cast<char>(letter - 'A' + 'a');
  return p.letterFirst ? std::string{l, s} : std::string{s, l};
}

MessageSet Set(const char* name, std::array<SlotForms, jps::kSignalSlotCount> slots,
               bool glonassSlots) {
  MessageSet set{name, slots, glonassSlots, {}};
  for (int i = 0; i < jps::kSignalSlotCount; ++i) {
    auto slot = static_cast<jps::SignalSlot>(i);
    const SlotForms& f = slots[static_cast<size_t>(i)];
    set.ids[static_cast<size_t>(i)] = {RangeId(slot, f.range), PhaseId(slot, f.phase),
                                       DopplerId(slot, f.doppler), SnrId(slot, f.snr)};
  }
  return set;
}

// Slots in the order c, 1, 2, 3, 5, l. The C/A and L2 P forms of each set
// are those the converter has always been given; the other slots go through
// every form, against both C/A range forms where they are relative.
const std::vector<MessageSet> kSets = {
    Set("double",
        {{{R::kDouble, P::kDouble, D::kAbsolute, E::kDbHz},
          {R::kDouble, P::kDouble, D::kAbsolute, E::kDbHz},
          {R::kFloatRelative, P::kDouble, D::kAbsolute, E::kDbHz},
          {R::kDouble, P::kDouble, D::kAbsolute, E::kDbHz},
          {R::kDouble, P::kDouble, D::kAbsolute, E::kDbHz},
          kNoSlot}},
        true),
    Set("compact",
        {{{R::kInteger, P::kIntRelative, D::kAbsolute, E::kQuarters},
          {R::kIntRelative, P::kIntRelative, D::kRelative, E::kQuarters},
          {R::kIntRelative, P::kIntRelative, D::kRelative, E::kQuarters},
          {R::kIntRelative, P::kIntRelative, D::kRelative, E::kQuarters},
          {R::kIntRelative, P::kIntRelative, D::kRelative, E::kQuarters},
          kNoSlot}},
        true),
    // Without [NN]: the GLONASS slots come from the ephemerides.
    Set("counter",
        {{{R::kInteger, P::kCounter, D::kAbsolute, E::kQuarters},
          {R::kInteger, P::kCounter, D::kAbsolute, E::kQuarters},
          {R::kInteger, P::kCounter, D::kAbsolute, E::kQuarters},
          {R::kInteger, P::kCounter, D::kAbsolute, E::kQuarters},
          {R::kInteger, P::kCounter, D::kAbsolute, E::kQuarters},
          kNoSlot}},
        false),
    Set("float-relative",
        {{{R::kDouble, P::kFloatRelative, D::kAbsolute, E::kDbHz},
          {R::kFloatRelative, P::kFloatRelative, D::kRelative, E::kDbHz},
          {R::kFloatRelative, P::kFloatRelative, D::kRelative, E::kDbHz},
          {R::kIntRelative, P::kIntRelative, D::kRelative, E::kDbHz},
          {R::kFloatRelative, P::kFloatRelative, D::kRelative, E::kDbHz},
          kNoSlot}},
        true),
    Set("mixed",
        {{{R::kInteger, P::kDouble, D::kAbsolute, E::kDbHz},
          {R::kFloatRelative, P::kFloatRelative, D::kAbsolute, E::kQuarters},
          {R::kDouble, P::kDouble, D::kAbsolute, E::kDbHz},
          {R::kFloatRelative, P::kFloatRelative, D::kRelative, E::kDbHz},
          {R::kDouble, P::kIntRelative, D::kRelative, E::kQuarters},
          kNoSlot}},
        true),
};

}  // namespace

const std::vector<MessageSet>& MessageSets() { return kSets; }

std::string RangeId(jps::SignalSlot slot, RangeForm form) {
  return IdOf('R', slot, static_cast<int>(form), kRangePhaseIds);
}

std::string PhaseId(jps::SignalSlot slot, PhaseForm form) {
  return IdOf('P', slot, static_cast<int>(form), kRangePhaseIds);
}

std::string DopplerId(jps::SignalSlot slot, DopplerForm form) {
  return IdOf('D', slot, static_cast<int>(form), kDopplerIds);
}

std::string SnrId(jps::SignalSlot slot, SnrForm form) {
  return IdOf('E', slot, static_cast<int>(form), kSnrIds);
}

}  // namespace jpssim
