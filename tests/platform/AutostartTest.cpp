// The desktop's autostart entry: where it is kept, and the program's path
// written so that the desktop starts exactly that file.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "platform/Autostart.h"
#include "tests/support/TestEnv.h"

using namespace mv::platform;
namespace fs = std::filesystem;

TEST(Autostart, TheEntryQuotesTheProgramsPathAsTheDesktopReadsIt) {
  const mvtest::TemporaryConfigHome home;
  const std::string program = "/opt/My Apps/50%/\"x\"/$HOME/Morvantis";
  ASSERT_TRUE(writeAutostartEntry("Morvantis", program));
  const std::string entry = autostartEntryFile("Morvantis", program);
  EXPECT_EQ(fs::path(entry).parent_path(), fs::path(home.path()) / "autostart");
  const std::string text = mvtest::slurp(entry);
  EXPECT_NE(text.find("\nExec=\"/opt/My Apps/50%%/\\\\\"x\\\\\"/\\\\$HOME/Morvantis\"\n"), std::string::npos) << text;
  EXPECT_NE(text.find("\nTryExec=" + program + "\n"), std::string::npos) << text;
  EXPECT_NE(autostartEntryFile("Morvantis", "/other/Morvantis"), entry);
  ASSERT_TRUE(removeAutostartEntry("Morvantis", program));
  EXPECT_FALSE(fs::exists(entry));
  EXPECT_TRUE(removeAutostartEntry("Morvantis", program)) << "none is left";
}

TEST(Autostart, TheConfigurationFolderIsTheHomesWhenTheVariableNamesNoAbsoluteFolder) {
  const mvtest::TemporaryConfigHome home;
  EXPECT_EQ(userConfigFolder(), home.path());
  const std::string savedHome = std::getenv("HOME") ? std::getenv("HOME") : "";
  setenv("HOME", "/home/someone", 1);
  setenv("XDG_CONFIG_HOME", "relative/config", 1);
  EXPECT_EQ(userConfigFolder(), "/home/someone/.config");
  setenv("XDG_CONFIG_HOME", "", 1);
  EXPECT_EQ(userConfigFolder(), "/home/someone/.config");
  setenv("HOME", savedHome.c_str(), 1);
}
