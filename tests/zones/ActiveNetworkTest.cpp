// Detection of the local networks and the interface byte counters, with the
// machine's network replaced by scripted tables.
#include <gtest/gtest.h>

#include "core/VBRuntime.h"
#include "core/mdINIBas.h"
#include "platform/Network.h"
#include "tests/zones/ZoneTestSupport.h"
#include "zones/CIpHelper.h"
#include "zones/mdlActiveNetwork.h"

using namespace mv;
using mvtest::TableRow;
using mvtest::tableRows;
using Rows = std::vector<TableRow>;
using platform::InterfaceAddress;

namespace {

const platform::IPv4Bytes kLoopback{127, 0, 0, 1}, kMask8{255, 0, 0, 0}, kMask24{255, 255, 255, 0};

class ActiveNetworkTest : public mvtest::ZoneTablesTest {
 protected:
  void TearDown() override {
    platform::setInterfaceAddresses(nullptr);
    platform::setInterfaceCounters(nullptr);
    ZoneTablesTest::TearDown();
  }
  void detect(std::vector<InterfaceAddress> table) {
    platform::setInterfaceAddresses([table] { return std::optional(table); });
    DetectActiveNetwork();
  }
  void counters(std::vector<std::pair<std::uint64_t, std::uint64_t>> rows) {
    platform::setInterfaceCounters([rows] {
      std::vector<platform::InterfaceCounters> out;
      for (auto [in, sent] : rows) out.push_back({"if", in, sent});
      return std::optional(out);
    });
  }
};

}  // namespace

TEST_F(ActiveNetworkTest, OneAdapterBesideLoopbackBecomesOneTrustedNetwork) {
  detect({{kLoopback, kMask8}, {{192, 168, 1, 5}, kMask24}});
  EXPECT_EQ(tableRows(Database_SubnetSetting),
            (Rows{{"0001", {"192.168.1.5", "255.255.255.0", "New Network 1", "192.168.1.5/255.255.255.0", "2", "1",
                            "000001"}}}));
  EXPECT_EQ(tableRows(Database_IPAddress), (Rows{{"0001", {"5", "2", "192.168.1.5/24", "192.168.1.5/24", "000001"}}}));
  // The reserved rows leave the row counters alone.
  EXPECT_EQ(ReadINI("Database_LastLineNo", "Database_IPAddress", "", MasterFile(), true), "0005");
  EXPECT_EQ(ReadINI("Database_LastLineNo", "Database_SubnetSetting", "", MasterFile(), true), "0005");
}

TEST_F(ActiveNetworkTest, TwoNetworksEachGetTheirOwnIdAndRow) {
  EXPECT_TRUE(WriteINI("Database_LastLineNo", "LastRowIndex", "000040", MasterFile(), true));
  detect({{{10, 0, 0, 5}, kMask8}, {{192, 168, 1, 7}, kMask24}});
  EXPECT_EQ(tableRows(Database_SubnetSetting),
            (Rows{{"0001", {"10.0.0.5", "255.0.0.0", "New Network 1", "10.0.0.5/255.0.0.0", "2", "1", "000041"}},
                  {"0002", {"192.168.1.7", "255.255.255.0", "New Network 2", "192.168.1.7/255.255.255.0", "2", "1",
                            "000042"}}}));
  EXPECT_EQ(tableRows(Database_IPAddress), (Rows{{"0001", {"5", "2", "10.0.0.5/8", "10.0.0.5/8", "000041"}},
                                                 {"0002", {"5", "2", "192.168.1.7/24", "192.168.1.7/24", "000042"}}}));
}

TEST_F(ActiveNetworkTest, OnlyTheFirstFiveEntriesAreLookedAt) {
  std::vector<InterfaceAddress> table;
  for (std::uint8_t i = 1; i <= 5; ++i) table.push_back({{10, i, 0, 1}, kMask24});
  table.push_back({kLoopback, kMask8});
  table.push_back({{10, 99, 0, 1}, kMask24});
  detect(table);
  auto subnets = tableRows(Database_SubnetSetting);
  auto addresses = tableRows(Database_IPAddress);
  ASSERT_EQ(subnets.size(), 5u);
  ASSERT_EQ(addresses.size(), 5u);
  EXPECT_EQ(subnets[4].section, "0005");
  EXPECT_EQ(subnets[4].values[2], "New Network 5");
  for (size_t i = 0; i < 5; ++i) {
    EXPECT_EQ(addresses[i].section, subnets[i].section);
    EXPECT_EQ(addresses[i].values[4], subnets[i].values[6]) << "address row " << i << " carries its network's ID";
  }
}

TEST_F(ActiveNetworkTest, UnconfiguredAndLoopbackEntriesUseUpAPlaceButNoRow) {
  detect({{{0, 0, 0, 0}, {0, 0, 0, 0}}, {{172, 16, 0, 9}, {255, 255, 0, 0}}, {kLoopback, kMask8},
          {{10, 1, 0, 1}, kMask24}, {{10, 2, 0, 1}, kMask24}, {{10, 3, 0, 1}, kMask24}});
  auto subnets = tableRows(Database_SubnetSetting);
  ASSERT_EQ(subnets.size(), 3u);
  EXPECT_EQ(subnets[0].section + " " + subnets[0].values[0] + " " + subnets[0].values[2], "0001 172.16.0.9 New Network 1");
  EXPECT_EQ(subnets[2].section + " " + subnets[2].values[0] + " " + subnets[2].values[2], "0003 10.2.0.1 New Network 3");
  EXPECT_EQ(tableRows(Database_IPAddress)[0].values[2], "172.16.0.9/16");

  // The next start deletes the reserved rows and enters the networks afresh.
  for (const char* s : {"0001", "0002", "0003", "0004", "0005"}) {
    EXPECT_TRUE(DeleteRowSection(Database_SubnetSetting, s));
    EXPECT_TRUE(DeleteRowSection(Database_IPAddress, s));
  }
  detect({{kLoopback, kMask8}});
  platform::setInterfaceAddresses([] { return std::optional<std::vector<InterfaceAddress>>(); });
  DetectActiveNetwork();
  EXPECT_TRUE(tableRows(Database_SubnetSetting).empty());
  EXPECT_TRUE(tableRows(Database_IPAddress).empty());
  detect({{{192, 168, 1, 5}, kMask24}});
  EXPECT_EQ(tableRows(Database_IPAddress), (Rows{{"0001", {"5", "2", "192.168.1.5/24", "192.168.1.5/24", "000004"}}}));
}

TEST_F(ActiveNetworkTest, ByteCountersAreSummedOverEveryInterfaceIn64Bits) {
  CIpHelper helper;
  EXPECT_EQ(helper.BytesReceived(), 0u);
  counters({{7777, 1}, {1, 1}});
  helper.Interfaces();
  counters({{1000, 40}, {500, 2}});
  auto list = helper.Interfaces();
  EXPECT_EQ(helper.BytesReceived(), 1500u) << "the sums are totals of this reading only";
  EXPECT_EQ(helper.BytesSent(), 42u);
  ASSERT_NE(list, nullptr);
  EXPECT_EQ(list->Count(), 2);
  EXPECT_NE(list->Item(1), nullptr);

  counters({{3ull << 30, 5ull << 32}, {3ull << 30, 5ull << 32}});
  helper.Interfaces();
  EXPECT_EQ(helper.BytesReceived(), 6ull << 30);
  EXPECT_EQ(helper.BytesSent(), 10ull << 32);
}

TEST_F(ActiveNetworkTest, WithoutAnInterfaceTableTheSumsAreZero) {
  counters({{100, 100}});
  CIpHelper helper;
  helper.Interfaces();
  platform::setInterfaceCounters([] { return std::optional<std::vector<platform::InterfaceCounters>>(); });
  auto list = helper.Interfaces();
  EXPECT_EQ(helper.BytesReceived() + helper.BytesSent(), 0u);
  ASSERT_NE(list, nullptr);
  EXPECT_EQ(list->Count(), 0);
  EXPECT_EQ(list->Item(1), nullptr);
  EXPECT_NE(readText("Err.log").find("Item of CInterfaces"), std::string::npos);
}

TEST(InterfaceCollection, KeepsItsElementsInOrder) {
  CInterfaces list;
  auto first = std::make_shared<CInterface>(), second = std::make_shared<CInterface>();
  CInterface *a = first.get(), *b = second.get();
  EXPECT_EQ(list.Add(first).get(), a);
  EXPECT_EQ(first, nullptr) << "Add clears the caller's variable";
  list.Add(second);
  std::vector<CInterface*> seen;
  for (const auto& e : list) seen.push_back(e.get());
  EXPECT_EQ(seen, (std::vector<CInterface*>{a, b}));
  list.Remove(1);
  EXPECT_EQ(list.Item(1).get(), b);
  EXPECT_THROW(list.Remove(2), RuntimeError);
}

TEST(InterfaceTable, CountersAreReadAs64BitNumbers) {
  auto rows = platform::parseInterfaceCounters(
      "Inter-|   Receive |  Transmit\n"
      " face |bytes    packets errs drop fifo frame compressed multicast|bytes    packets ...\n"
      "    lo: 5368709120  100    0    0    0     0          0         0 4294967296  100    0    0    0     0  0  0\n"
      "  eth0:1234 5 0 0 0 0 0 0 987 6 0 0 0 0 0 0\n"
      "broken: 1 2 3\n");
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[0].name, "lo");
  EXPECT_EQ(rows[0].bytesReceived, 5368709120ull);
  EXPECT_EQ(rows[0].bytesSent, 4294967296ull);
  EXPECT_EQ(rows[1].name + " " + std::to_string(rows[1].bytesReceived) + " " + std::to_string(rows[1].bytesSent),
            "eth0 1234 987");
}
