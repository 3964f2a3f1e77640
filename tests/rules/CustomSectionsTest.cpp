// The custom sections with more than one Trusted address, and port lists
// read back from the port tables.
#include <gtest/gtest.h>

#include "core/mdlMorvantisDatabase.h"
#include "tests/rules/RulesFixture.h"

using namespace mv;

namespace {

class CustomSections : public mvtest::RulesTest {};

TEST_F(CustomSections, NetBiosRulesGoAddressByAddressWithTheirThreePorts) {
  arrTrustedEntries = {"192.168.1.0/24", "10.1.1.1"};
  intTrustedZoneLevel = 2;
  intInternetZoneLevel = 2;
  ASSERT_TRUE(AddRulesToINI(false, true));
  EXPECT_EQ(ruleFile(), golden("medium_two_trusted.conf"));
}

TEST_F(CustomSections, AStoredPortThatIsNoNumberEndsThePortList) {
  const std::vector<std::vector<std::string>> rows = {{"3", "3", "1", "80", "80", "0050"},
                                                      {"3", "3", "1", "8o", "8o", "0050"},
                                                      {"3", "3", "1", "443", "443", "0050"}};
  for (const auto& r : rows) EXPECT_TRUE(Write_MorvantisNewData(Database_TCPPorts, getNextLineNo(Database_TCPPorts), r, true));
  PortList list;
  LoadTCPPorts(3, 3, 1, list);
  ASSERT_FALSE(list.empty());
  EXPECT_EQ(list[0], (PortPair{80, 80}));
  for (size_t i = 1; i < list.size(); ++i) EXPECT_EQ(list[i], (PortPair{0, 0})) << i;
  // The rule file has port 80 only: no rule for port 0 and none for 443.
  arrTCPInternetHighOut = list;
  intInternetZoneLevel = 3;
  ASSERT_TRUE(AddRulesToINI(false, true));
  const std::string file = ruleFile();
  EXPECT_NE(file.find("TO ANY:80 "), std::string::npos);
  EXPECT_EQ(file.find(":0 "), std::string::npos);
  EXPECT_EQ(file.find("443"), std::string::npos);
}

TEST_F(CustomSections, AStoredNumberThatIsNoPortOrARangeFromHighToLowGivesNoRuleAndIsLogged) {
  // Internet Medium's outgoing TCP list denies its ports: a row that is no
  // port gives no rule, and the rows after it keep theirs.
  const std::vector<std::vector<std::string>> rows = {
      {"3", "2", "1", "99999", "99999", "0037"}, {"3", "2", "1", "65536", "65536", "0037"},
      {"3", "2", "1", "5000", "80", "0037"},     {"3", "2", "1", "0", "0", "0037"},
      {"3", "2", "1", "445", "445", "0037"}};
  for (const auto& r : rows) EXPECT_TRUE(Write_MorvantisNewData(Database_TCPPorts, getNextLineNo(Database_TCPPorts), r, true));
  LoadTCPPorts(3, 2, 1, arrTCPInternetMediumOut);
  intInternetZoneLevel = 2;
  ASSERT_TRUE(AddRulesToINI(false, true));
  const std::string file = ruleFile();
  EXPECT_NE(file.find("DENY TCP OUT FROM ANY TO ANY:445 "), std::string::npos);
  for (const char* port : {":99999", ":65536", ":5000-80", ":0 "}) EXPECT_EQ(file.find(port), std::string::npos) << port;
  const std::string log = readText("Err.log");
  size_t refused = 0;
  for (size_t at = log.find("LoadTCPPorts of mdlRules: Port refused"); at != std::string::npos;
       at = log.find("LoadTCPPorts of mdlRules: Port refused", at + 1))
    ++refused;
  EXPECT_EQ(refused, 4u);
}

TEST_F(CustomSections, APortRowMovedByHandToAnotherListGivesNoRuleAndIsLogged) {
  // Ranges of Trusted High's incoming TCP row (0024), then three of them
  // moved by hand: to the Internet zone, to outgoing, and one that names
  // Trusted High's incoming UDP row (0022) although it stands in the TCP table.
  const std::vector<std::vector<std::string>> rows = {{"2", "3", "2", "443", "443", "0024"},
                                                      {"2", "3", "2", "8080", "8080", "0024"},
                                                      {"2", "3", "2", "8081", "8081", "0024"},
                                                      {"2", "3", "2", "8082", "8082", "0022"}};
  for (const auto& r : rows) EXPECT_TRUE(Write_MorvantisNewData(Database_TCPPorts, getNextLineNo(Database_TCPPorts), r, true));
  ASSERT_TRUE(WriteColumnValue(Database_TCPPorts, "0002", "Zone", "3"));
  ASSERT_TRUE(WriteColumnValue(Database_TCPPorts, "0003", "PortType", "1"));
  arrTrustedEntries = {"10.1.1.1"};
  blnZoneDataChanged = false;
  intTrustedZoneLevel = 3;
  intInternetZoneLevel = 3;
  LoadBlockingRules(false);  // the rule file is written whether or not the service starts
  const std::string file = ruleFile();
  EXPECT_NE(file.find("ALLOW TCP IN FROM 10.1.1.1 TO ANY:443 "), std::string::npos);
  for (const char* port : {":8080", ":8081", ":8082"}) EXPECT_EQ(file.find(port), std::string::npos) << port;
  const std::string log = readText("Err.log");
  for (const char* row : {"Port row 0002 ", "Port row 0003 ", "Port row 0004 "})
    EXPECT_NE(log.find(row), std::string::npos) << row;
  EXPECT_EQ(log.find("Port row 0001 "), std::string::npos);
}

TEST_F(CustomSections, StoredPortsWithBlanksAreStillNumbers) {
  EXPECT_TRUE(Write_MorvantisNewData(Database_UDPPorts, getNextLineNo(Database_UDPPorts), {"2", "2", "2", " 53", "53 ", "0009"}, true));
  PortList list;
  LoadUDPPorts(2, 2, 2, list);
  ASSERT_EQ(list.size(), 1u);
  EXPECT_EQ(list[0], (PortPair{53, 53}));
}

}  // namespace
