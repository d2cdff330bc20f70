// Network indexes and names as files, lists and the command line use them:
// every name reads back as its index in any letter case, the older spellings
// are accepted, and an unknown name or index gives nothing.
#include <gtest/gtest.h>

#include "core/network.h"

TEST(Networks, NamesAndIndexesReadBack) {
  EXPECT_EQ(NetworkName(0), "GSM");
  EXPECT_EQ(NetworkName(1), "CDMA");
  EXPECT_EQ(NetworkName(2), "UMTS");
  EXPECT_EQ(NetworkName(3), "TD-SCDMA");
  for (int net = 0; net < 8; ++net) {
    const std::string name = NetworkName(static_cast<uint8_t>(net));
    if (name.empty()) continue;
    EXPECT_EQ(NetworkByName(name), net) << name;
    std::string lower = name;
    for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    EXPECT_EQ(NetworkByName(lower), net) << lower;
  }
  EXPECT_EQ(NetworkByName("wcdma"), 2);
  EXPECT_EQ(NetworkByName("TDSCDMA"), 3);
  EXPECT_EQ(NetworkByName("WiMAX"), -1);
  EXPECT_EQ(NetworkByName(""), -1);
  EXPECT_EQ(NetworkName(NetNone), "");
  EXPECT_EQ(NetworkName(200), "");
}
