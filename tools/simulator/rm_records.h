// The compact raw-measurement record [rM]: a whole epoch in one message,
// ranges in 0.02 m, carrier phases relative to the C/A range in 0.5 mm,
// protected by a CRC-16.
#pragma once

#include "tools/builder/message_builder.h"
#include "tools/simulator/receiver_model.h"

namespace jpssim {

// withDoppler false writes the Doppler-absent code and the short blocks.
jpsbuild::Bytes RmEpochRecord(const ReceiverEpoch& epoch, bool withDoppler);

}  // namespace jpssim
