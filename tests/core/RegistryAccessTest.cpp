// String values of the registry, through the file-backed registry of the
// temporary system directory.
#include <gtest/gtest.h>

#include "core/Registry.h"
#include "platform/Registry.h"
#include "tests/support/TestEnv.h"

using namespace mv;
using platform::HKEY_LOCAL_MACHINE;

namespace {
const std::string kRun = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";
const std::string kSetup = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Setup";
class RegistryAccessTest : public mvtest::ProgramFolderTest {};
std::string get(const std::string& key, const std::string& name) {
  return GetRegValue(HKEY_LOCAL_MACHINE, key, name, "dflt");
}
}  // namespace

TEST_F(RegistryAccessTest, ValuesRoundTripThroughTheRegistryFile) {
  std::string data = "/opt/Morvantis/Morvantis";
  EXPECT_TRUE(SetRegValue(HKEY_LOCAL_MACHINE, kRun, "Morvantis", data));
  EXPECT_EQ(get("software\\microsoft\\windows\\currentversion\\run", "MORVANTIS"), data);
  data = "second";
  EXPECT_TRUE(SetRegValue(HKEY_LOCAL_MACHINE, kRun, "Morvantis", data));
  EXPECT_EQ(get(kRun, "Morvantis"), "second");
  EXPECT_NE(readText("System32/config/registry").find("second"), std::string::npos);
}

TEST_F(RegistryAccessTest, MissingGivesTheDefaultButEmptyGivesEmpty) {
  EXPECT_EQ(get(kSetup, "Nothing"), "dflt");
  EXPECT_EQ(get("SOFTWARE\\NoSuchKey", "Nothing"), "dflt");
  std::string blank = "   ";
  EXPECT_TRUE(SetRegValue(HKEY_LOCAL_MACHINE, kSetup, "Empty", blank));
  EXPECT_EQ(blank, "");
  EXPECT_EQ(get(kSetup, "Empty"), "");
}

TEST_F(RegistryAccessTest, SetRegValueStoresTheTrimmedTextWithoutNul) {
  std::string data = "  padded value \t ";
  EXPECT_TRUE(SetRegValue(HKEY_LOCAL_MACHINE, kSetup, "Copy", data));
  EXPECT_EQ(data, "padded value \t");
  platform::RegValue raw;
  ASSERT_EQ(platform::regQueryValue(HKEY_LOCAL_MACHINE, kSetup, "Copy", raw), platform::ERROR_SUCCESS);
  EXPECT_EQ(raw.type, platform::REG_SZ);
  EXPECT_EQ(raw.data, "padded value \t");
}

TEST_F(RegistryAccessTest, SetRegValueCreatesAMissingKeyAndLogsAFailedWrite) {
  std::string data = "kept";
  EXPECT_TRUE(SetRegValue(HKEY_LOCAL_MACHINE, "SOFTWARE\\Morvantis\\Settings", "Value", data));
  EXPECT_EQ(get("SOFTWARE\\Morvantis\\Settings", "Value"), "kept");
  EXPECT_EQ(get("SOFTWARE\\Morvantis\\Settings", ""), "") << "the new key's default value is empty";
  EXPECT_EQ(readText("Err.log"), "");
  EXPECT_FALSE(SetRegValue(0x12345678u, kSetup, "Value", data));
  EXPECT_NE(readText("Err.log").find("SetRegValue of Registry"), std::string::npos);
}

TEST_F(RegistryAccessTest, CreateRegKeyStoresItsTextWithANul) {
  std::string text = "default text";
  CreateRegKey("SOFTWARE\\Morvantis", HKEY_LOCAL_MACHINE, text);
  EXPECT_EQ(text, std::string("default text\0", 13));
  platform::RegValue raw;
  ASSERT_EQ(platform::regQueryValue(HKEY_LOCAL_MACHINE, "SOFTWARE\\Morvantis", "", raw), platform::ERROR_SUCCESS);
  EXPECT_EQ(raw.data, text);
  EXPECT_EQ(get("SOFTWARE\\Morvantis", ""), "default text");
}

TEST_F(RegistryAccessTest, StringsEndAtTheirFirstNulAndNumbersReadAsDecimal) {
  platform::regSetValue(HKEY_LOCAL_MACHINE, kSetup, "Embedded", {platform::REG_SZ, std::string("ab\0cd", 5)});
  platform::regSetValue(HKEY_LOCAL_MACHINE, kSetup, "Number", {platform::REG_DWORD, std::string("\x10\x27\0\0", 4)});
  platform::regSetValue(HKEY_LOCAL_MACHINE, kSetup, "Other", {3, "bin"});
  EXPECT_EQ(get(kSetup, "Embedded"), "ab");
  EXPECT_EQ(get(kSetup, "Number"), "10000");
  EXPECT_EQ(get(kSetup, "Other"), "dflt");
}
