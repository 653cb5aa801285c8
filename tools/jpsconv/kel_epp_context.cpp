#include "tools/jpsconv/kel_epp_context.h"

#include "support/satellite_numbers.h"
#include "tools/rinex/rinex_time.h"

namespace jpsconv {

void KelEppContext::Load(const std::string& kel, const jps::KelHeader& header) {
  session_ = RinexSession{};
  SessionFailure failure;
  if (!LoadRinexSession(kel, header, RinexOptions{}, &session_, &failure)) {
    session_ = RinexSession{};
  }
}

int32_t KelEppContext::WeekOf(double secondsOfWeek) const {
  return session_.weeks.WeekOf(secondsOfWeek);
}

int KelEppContext::SlotAt(int number, int32_t week, double secondsOfWeek) const {
  if (!jps::IsGlonassNumber(number) || week < 0) return 0;
  return session_.slots.SlotAt(jps::GlonassChannel(number), GpsSeconds(week, secondsOfWeek));
}

}  // namespace jpsconv
