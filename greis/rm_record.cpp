#include "greis/rm_record.h"

namespace jps {

// Interim: rM records are consumed without an epoch until the parser lands.
int CheckRmHeader(DecoderState&, const uint8_t*, int) { return 0; }
int ParseRmRecord(DecoderState&, const uint8_t*, int) { return 0; }

}  // namespace jps
