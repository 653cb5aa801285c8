// Receiver-type codes of the KEL header and their names.
#include <gtest/gtest.h>

#include <cstring>

#include "support/receiver_types.h"

using namespace jps;

TEST(ReceiverTypeName, KnownAndUnknownCodes) {
  EXPECT_STREQ(ReceiverTypeName(22), "Javad");
  EXPECT_STREQ(ReceiverTypeName(16), "KelCat Resampled");
  EXPECT_STREQ(ReceiverTypeName(1), "Leica MX");
  EXPECT_STREQ(ReceiverTypeName(35), "GRAM-S");
  EXPECT_STREQ(ReceiverTypeName(0), "UNKNOWN");
  EXPECT_STREQ(ReceiverTypeName(30), "UNKNOWN");
  EXPECT_STREQ(ReceiverTypeName(36), "UNKNOWN");
  int negative = -1;
  EXPECT_STREQ(ReceiverTypeName(static_cast<uint32_t>(negative)), "UNKNOWN");
  // The longest name fills the buffer with its terminator.
  EXPECT_STREQ(ReceiverTypeName(21), "Position Correction");
  EXPECT_EQ(std::strlen(ReceiverTypeName(21)) + 1, static_cast<size_t>(kReceiverTypeNameSize));
}
