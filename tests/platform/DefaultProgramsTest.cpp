// Finding the desktop's default web browser and the system's network
// programs, on folders laid out as the desktop keeps them.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "platform/DefaultPrograms.h"
#include "tests/support/TestEnv.h"

namespace fs = std::filesystem;
using namespace mv;

class DefaultPrograms : public mvtest::ProgramFolderTest {
 protected:
  void SetUp() override {
    ProgramFolderTest::SetUp();
    for (const char* name : {"XDG_CONFIG_HOME", "XDG_CONFIG_DIRS", "XDG_DATA_HOME", "XDG_DATA_DIRS"}) {
      const char* v = std::getenv(name);
      saved.emplace_back(name, v ? std::optional<std::string>(v) : std::nullopt);
    }
    setenv("XDG_CONFIG_HOME", native("config").c_str(), 1);
    setenv("XDG_CONFIG_DIRS", native("etc-xdg").c_str(), 1);
    setenv("XDG_DATA_HOME", native("share-home").c_str(), 1);
    setenv("XDG_DATA_DIRS", native("share").c_str(), 1);
  }
  void TearDown() override {
    for (const auto& [name, value] : saved)
      value ? setenv(name.c_str(), value->c_str(), 1) : unsetenv(name.c_str());
    ProgramFolderTest::TearDown();
  }
  std::string program(const std::string& relative) {
    writeText(relative, "#!/bin/sh\n");
    fs::permissions(native(relative), fs::perms::owner_all);
    return native(relative);
  }
  std::vector<std::pair<std::string, std::optional<std::string>>> saved;
};

TEST_F(DefaultPrograms, TheBrowserIsTheProgramOfTheHttpHandlersDesktopEntry) {
  const std::string browser = program("opt/browse/browse-bin");
  program("opt/other/other-bin");
  writeText("share/applications/browse.desktop",
            "[Desktop Entry]\nName=Browse\nExec=\"" + browser + "\" %u\n[Desktop Action New]\nExec=/bin/false\n");
  writeText("share/applications/other.desktop", "[Desktop Entry]\nExec=" + native("opt/other/other-bin") + " %u\n");
  // The system list names one browser, the user's own list another that has
  // no desktop entry, then the first: the user's first entry that exists wins.
  writeText("etc-xdg/mimeapps.list", "[Default Applications]\nx-scheme-handler/http=other.desktop\n");
  writeText("config/mimeapps.list",
            "[Added Associations]\nx-scheme-handler/http=other.desktop\n"
            "[Default Applications]\nx-scheme-handler/http=gone.desktop;browse.desktop;\n");
  EXPECT_EQ(platform::defaultWebBrowser(), fs::canonical(browser).string());
  // Without any list there is none.
  fs::remove(native("config/mimeapps.list"));
  fs::remove(native("etc-xdg/mimeapps.list"));
  const std::string none = platform::defaultWebBrowser();
  EXPECT_TRUE(none.empty() || none == fs::canonical("/etc/alternatives/x-www-browser").string());
}

TEST_F(DefaultPrograms, ADesktopEntryNamesItsProgramByPathOrThroughPATH) {
  const std::string tool = program("bin/tool");
  const std::string path = native("nothing") + ":" + native("bin");
  EXPECT_EQ(platform::desktopEntryProgram("[Desktop Entry]\nExec=tool --new %U\n", path), tool);
  EXPECT_EQ(platform::desktopEntryProgram("[Desktop Entry]\r\nExec=" + tool + "\r\n", ""), tool);
  EXPECT_EQ(platform::desktopEntryProgram("[Desktop Entry]\nExec=missing %U\n", path), "");
  EXPECT_EQ(platform::desktopEntryProgram("[Other]\nExec=tool\n", path), "");
  // A file that may not be run is no program.
  writeText("bin/plain", "text");
  fs::permissions(native("bin/plain"), fs::perms::owner_read);
  EXPECT_EQ(platform::desktopEntryProgram("[Desktop Entry]\nExec=plain\n", path), "");
}

TEST_F(DefaultPrograms, TheSystemsNetworkProgramsAreRealFilesThatExist) {
  for (const std::string& p : platform::systemNetworkComponents()) {
    EXPECT_TRUE(fs::is_regular_file(p)) << p;
    EXPECT_EQ(fs::canonical(p).string(), p);
  }
}
