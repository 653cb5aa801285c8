#include "tools/rinex/cnr_fields.h"

#include "tools/rinex/observation_types.h"

namespace jpsrinex {

CnrFields::CnrFields() {
  for (int i = 0; i < kQuarters; ++i) {
    double cnr = i / kQuartersPerDbHz;
    WriteObservationField(fields_[i], cnr, ' ', static_cast<char>('0' + StrengthIndicator(cnr)));
  }
}

}  // namespace jpsrinex
