// Two readings of one record compared field by field, for the tests that hold
// one reader (or one way of reading) against another. Times must agree to the
// bit; test items by identifier, time and extra data.
#pragma once

#include <gtest/gtest.h>

#include <cstring>

#include "eventmanager/outside/data_access.h"

inline bool SameBits(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }

inline void ExpectSameRecord(const HandsetRecord& x, const HandsetRecord& y) {
  EXPECT_TRUE(SameBits(x.Time, y.Time)) << x.Time << " " << y.Time;
  EXPECT_TRUE(SameBits(x.OrderTime, y.OrderTime)) << x.OrderTime << " " << y.OrderTime;
  EXPECT_EQ(x.MessageCode, y.MessageCode);
  EXPECT_EQ(x.MessageBytes, y.MessageBytes);
  EXPECT_EQ(x.MessageInfo, y.MessageInfo);
  EXPECT_EQ(x.NetType, y.NetType);
  EXPECT_EQ(x.Skip, y.Skip);
  EXPECT_EQ(x.Reference, y.Reference);
  EXPECT_EQ(x.Fields, y.Fields);
  ASSERT_EQ(x.Items.size(), y.Items.size());
  for (size_t k = 0; k < x.Items.size(); ++k) {
    EXPECT_EQ(x.Items[k].EventId, y.Items[k].EventId);
    EXPECT_TRUE(SameBits(x.Items[k].Time, y.Items[k].Time));
    EXPECT_EQ(x.Extra(x.Items[k]), y.Extra(y.Items[k]));
  }
}
