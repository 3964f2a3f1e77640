#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include "platform/Registry.h"
#include "tests/support/TestEnv.h"

using namespace mv::platform;

class Registry : public mvtest::ProgramFolderTest {};

TEST_F(Registry, StandardKeysExistFromTheStart) {
  EXPECT_EQ(regOpenKey(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run"), ERROR_SUCCESS);
  EXPECT_EQ(regOpenKey(HKEY_LOCAL_MACHINE, "software\\microsoft\\windows\\currentversion\\setup"), ERROR_SUCCESS);
  EXPECT_EQ(regOpenKey(HKEY_LOCAL_MACHINE, "SOFTWARE\\Nobody"), ERROR_FILE_NOT_FOUND);
}

TEST_F(Registry, ValuesRoundTripThroughTheFile) {
  const std::string key = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Setup";
  RegValue sz{REG_SZ, std::string("a\tb\r\n%\0c", 9)};
  ASSERT_EQ(regSetValue(HKEY_LOCAL_MACHINE, key, "MVPSD", sz), ERROR_SUCCESS);
  RegValue dw{REG_DWORD, std::string("\x01\x00\x00\x00", 4)};
  ASSERT_EQ(regSetValue(HKEY_LOCAL_MACHINE, key, "Count", dw), ERROR_SUCCESS);
  RegValue out;
  ASSERT_EQ(regQueryValue(HKEY_LOCAL_MACHINE, key, "mvpsd", out), ERROR_SUCCESS);
  EXPECT_EQ(out.type, REG_SZ);
  EXPECT_EQ(out.data, sz.data);
  ASSERT_EQ(regQueryValue(HKEY_LOCAL_MACHINE, key, "Count", out), ERROR_SUCCESS);
  EXPECT_EQ(out.type, REG_DWORD);
  EXPECT_EQ(regQueryValue(HKEY_LOCAL_MACHINE, key, "Missing", out), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(regDeleteValue(HKEY_LOCAL_MACHINE, key, "Count"), ERROR_SUCCESS);
  EXPECT_EQ(regQueryValue(HKEY_LOCAL_MACHINE, key, "Count", out), ERROR_FILE_NOT_FOUND);
}

TEST_F(Registry, MissingKeysRefuseValuesUntilCreated) {
  RegValue v{REG_SZ, "x"};
  EXPECT_EQ(regSetValue(HKEY_LOCAL_MACHINE, "SOFTWARE\\New\\Deep", "v", v), ERROR_FILE_NOT_FOUND);
  ASSERT_EQ(regCreateKey(HKEY_LOCAL_MACHINE, "SOFTWARE\\New\\Deep"), ERROR_SUCCESS);
  EXPECT_EQ(regOpenKey(HKEY_LOCAL_MACHINE, "SOFTWARE\\New"), ERROR_SUCCESS);
  EXPECT_EQ(regSetValue(HKEY_LOCAL_MACHINE, "SOFTWARE\\New\\Deep", "v", v), ERROR_SUCCESS);
  EXPECT_EQ(regOpenKey(0x12345678u, "SOFTWARE"), ERROR_INVALID_HANDLE);
}

TEST_F(Registry, TwoProcessesSettingDifferentValuesAtOnceKeepBoth) {
  ASSERT_EQ(regCreateKey(HKEY_LOCAL_MACHINE, "SOFTWARE\\Both"), ERROR_SUCCESS);
  constexpr int kEach = 60;
  auto setValues = [](const char* prefix) {
    for (int i = 0; i < kEach; ++i)
      if (regSetValue(HKEY_LOCAL_MACHINE, "SOFTWARE\\Both", prefix + std::to_string(i),
                      RegValue{REG_SZ, std::to_string(i)}) != ERROR_SUCCESS)
        ::_exit(3);
  };
  const pid_t other = ::fork();
  if (other == 0) {
    setValues("a");
    ::_exit(0);
  }
  setValues("b");
  int status = 0;
  ::waitpid(other, &status, 0);
  ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  for (const char* prefix : {"a", "b"})
    for (int i = 0; i < kEach; ++i) {
      RegValue v;
      EXPECT_EQ(regQueryValue(HKEY_LOCAL_MACHINE, "SOFTWARE\\Both", prefix + std::to_string(i), v), ERROR_SUCCESS)
          << prefix << i;
    }
}
