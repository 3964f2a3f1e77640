// Address arithmetic and host-name lookup, with the sockets layer and the
// resolver scripted.
#include <gtest/gtest.h>

#include "core/VBRuntime.h"
#include "platform/Dialogs.h"
#include "platform/Network.h"
#include "tests/support/TestEnv.h"
#include "zones/mdlCommon.h"
#include "zones/mdlHostIPCalc.h"
#include "zones/mdlNet.h"

using namespace mv;

namespace {

class AddressUtilitiesTest : public mvtest::ProgramFolderTest {
 protected:
  void SetUp() override {
    ProgramFolderTest::SetUp();
    platform::setSocketsCleanup([this] { return ++cleanups, 0; });
  }
  void TearDown() override {
    platform::setSocketsStartup(nullptr);
    platform::setSocketsCleanup(nullptr);
    platform::setHostLookup(nullptr);
    ProgramFolderTest::TearDown();
  }
  void startupReports(std::uint16_t version, std::uint16_t maxSockets, int rc = 0) {
    platform::setSocketsStartup([=](std::uint16_t, platform::SocketsInfo& info) {
      info = {version, maxSockets};
      return rc;
    });
  }
  int cleanups = 0;
};

}  // namespace

TEST_F(AddressUtilitiesTest, IsNetworkIPComparesTheMaskedAddresses) {
  EXPECT_TRUE(IsNetworkIP("192.168.1.5", "255.255.255.0", "192.168.1.200"));
  EXPECT_FALSE(IsNetworkIP("192.168.1.5", "255.255.255.0", "192.168.2.1"));
  EXPECT_TRUE(IsNetworkIP("192.168.1.5", "0.0.0.0", "8.8.4.4"));
  EXPECT_TRUE(IsNetworkIP("10.0.0.0", "255.240.0.0", "10.15.255.255"));
  EXPECT_FALSE(IsNetworkIP("10.0.0.0", "255.240.0.0", "10.16.0.0"));
  EXPECT_FALSE(IsNetworkIP("172.16.5.129", "255.255.255.128", "172.16.5.127"));
  EXPECT_EQ(readText("Err.log"), "");
  EXPECT_FALSE(IsNetworkIP("192.168.1.5", "255.255.255.0", "192.168.1"));
  EXPECT_FALSE(IsNetworkIP("192.168.1.5", "255.255.255", "192.168.1.5"));
  EXPECT_NE(readText("Err.log").find("IsNetworkIP of mdlNet"), std::string::npos);
}

TEST_F(AddressUtilitiesTest, BitTextsOfOctets) {
  EXPECT_EQ(DecToBin("5"), "00000101");
  EXPECT_EQ(DecToBin("256"), "00000000");
  EXPECT_EQ(DecToBin("128.6"), "10000001") << "the value is rounded first";
  EXPECT_EQ(BinToDec("11000000"), "192");
  EXPECT_EQ(BinToDec("00000000"), "0");
  EXPECT_EQ(BinaryAnd("11110000", "10101010"), "10100000");
  EXPECT_EQ(BinaryAnd("1111", "11"), "1100");
}

TEST_F(AddressUtilitiesTest, RangesMasksAndSwitches) {
  EXPECT_TRUE(CompareIPAddress("10.0.0.9", "10.0.0.10"));
  EXPECT_FALSE(CompareIPAddress("10.0.1.0", "10.0.0.255"));
  EXPECT_TRUE(CompareIPAddress("10.0.0.1", "10.0.0.1"));
  EXPECT_TRUE(CompareIPAddress("1.x.0.0", "1.0.0.0")) << "a part that is no number counts as 0";
  try {
    CompareIPAddress("10.0.0", "10.0.0.1");
    FAIL() << "three octets are an error for the caller";
  } catch (const RuntimeError& e) {
    EXPECT_EQ(e.number(), errSubscript);
  }
  EXPECT_EQ(GetMaskBits("255.255.255.0"), 24);
  EXPECT_EQ(GetMaskBits("255.255.255.255"), 32);
  EXPECT_EQ(GetMaskBits("255.255.0"), 16);
  EXPECT_EQ(GetMaskBits("255.255.255.1"), 24);
  EXPECT_EQ(GetMaskBits("255.0.255.0"), 16);
  EXPECT_EQ(GetMaskBits("255.255.240.0"), 20);
  EXPECT_EQ(IntToBool(-1), 1);
  EXPECT_EQ(IntToBool(5), 1);
  EXPECT_EQ(IntToBool(0), 0);
}

TEST_F(AddressUtilitiesTest, HostNamesResolveToEveryAddressOnceInResolverOrder) {
  std::string asked;
  platform::setHostLookup([&](const std::string& name, std::vector<platform::IPv4Bytes>& out) {
    asked = name;
    out = {{10, 0, 0, 7}, {192, 168, 200, 1}, {10, 0, 0, 7}};
    return true;
  });
  EXPECT_EQ(ResolveIpaddress("www.example.test"), (std::vector<std::string>{"10.0.0.7", "192.168.200.1"}));
  EXPECT_EQ(asked, "www.example.test");
  platform::setHostLookup([](const std::string&, std::vector<platform::IPv4Bytes>&) { return false; });
  EXPECT_EQ(ResolveIpaddress("nowhere.invalid"), std::vector<std::string>{});
  EXPECT_EQ(cleanups, 2) << "the sockets layer is ended after every lookup";
  EXPECT_TRUE(messages.empty());
  // The real resolver reads a dotted address without asking a name service.
  platform::setHostLookup(nullptr);
  EXPECT_EQ(ResolveIpaddress("10.20.30.40"), std::vector<std::string>{"10.20.30.40"});
}

TEST_F(AddressUtilitiesTest, UnusableSocketsGiveNoListAndTellWhy) {
  startupReports(0x0101, 10, 10091);
  EXPECT_FALSE(ResolveIpaddress("host").has_value());
  startupReports(0x0001, 10);
  EXPECT_FALSE(SocketsInitialize());
  startupReports(0x0101, 0);
  EXPECT_FALSE(SocketsInitialize());
  startupReports(0x0101, 10);
  EXPECT_TRUE(SocketsInitialize());
  ASSERT_EQ(messages.size(), 3u);
  EXPECT_EQ(messages[0].prompt, "Windows Sockets for 32 bit Windows environments is not successfully responding.");
  EXPECT_EQ(messages[0].buttons, platform::vbOKOnly);
  EXPECT_EQ(messages[0].title, "Morvantis");
  EXPECT_EQ(messages[1].prompt,
            "Windows Sockets Version 1.0 is not supported by Windows Sockets for 32 bit Windows environments.");
  EXPECT_EQ(messages[1].buttons, platform::vbExclamation);
  EXPECT_EQ(messages[2].prompt, "This application requires a minimum of 1 supported sockets.");
  EXPECT_EQ(cleanups, 0);

  platform::setSocketsCleanup([] { return -1; });
  SocketsCleanup();
  EXPECT_EQ(messages.back().prompt, "Windows Sockets error -1 occurred in Cleanup.");
  EXPECT_EQ(LoByte(0x0201), 1);
  EXPECT_EQ(HiByte(0x0201), 2);
}
