// The programs the desktop's shell starts: the opener and the text viewer
// get the path they are handed as it is, byte for byte.
#include "platform/Shell.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "tests/support/TestEnv.h"

using namespace mv::platform;
namespace fs = std::filesystem;

namespace {

TEST(Shell, TheOpenerAndTheViewerGetAPathThatIsNotUtf8ByteForByte) {
  // The desktop's opener, the one program on the search path (the viewer
  // falls back on it): it writes down the argument it got.
  const std::string folder = mvtest::makeTemporaryFolder("mvshell");
  std::ofstream(folder + "/xdg-open") << "#!/bin/sh\nprintf '%s' \"$1\" > '" << folder << "/got.new'\n"
                                      << "/bin/mv '" << folder << "/got.new' '" << folder << "/got'\n";
  fs::permissions(folder + "/xdg-open", fs::perms::owner_all);
  const mvtest::EnvironmentVariable path("PATH", folder);
  const std::string named = folder + "/caf\xE9";
  fs::create_directory(named);
  std::ofstream(named + "/notes\xFC.txt") << "notes";

  const auto handed = [&folder](bool started) {
    std::string got;
    if (started && mvtest::processEventsUntil([&] { return fs::exists(folder + "/got"); }))
      got = mvtest::slurp(folder + "/got");
    fs::remove(folder + "/got");
    return got;
  };
  EXPECT_EQ(handed(shellOpen(named, nullptr)), named);
  EXPECT_EQ(handed(openTextViewer(named + "/notes\xFC.txt", nullptr)), named + "/notes\xFC.txt");
  fs::remove_all(folder);
}

}  // namespace
