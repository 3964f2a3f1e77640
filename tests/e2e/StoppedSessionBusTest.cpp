// A session bus that takes connections but never answers (a stopped
// dbus-daemon) does not keep the program from showing its window on a real X
// display, where Qt itself asks the bus about menus and the tray.
#include <gtest/gtest.h>

#include <condition_variable>
#include <csignal>
#include <mutex>
#include <thread>

#include "tests/e2e/ProgramProcess.h"
#include "tests/support/SessionBus.h"

namespace {

// Lets the stopped bus run on after `seconds` at the latest, so that nothing
// of the test waits on it beyond that, whichever way the test ends.
class Watchdog {
 public:
  Watchdog(const mvtest::PrivateSessionBus& bus, int seconds)
      : thread_([this, &bus, seconds] {
          std::unique_lock<std::mutex> lock(mutex_);
          done_.wait_for(lock, std::chrono::seconds(seconds), [this] { return ended_; });
          bus.resume();
        }) {}
  ~Watchdog() {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      ended_ = true;
    }
    done_.notify_one();
    thread_.join();
  }

 private:
  std::mutex mutex_;
  std::condition_variable done_;
  bool ended_ = false;
  std::thread thread_;
};

class StoppedSessionBus : public mvtest::ProgramProcess {};

TEST_F(StoppedSessionBus, TheWindowAppearsAndTheProgramEndsOnASignal) {
  mvtest::VirtualDisplay display;
  ASSERT_FALSE(display.name().empty()) << "Xvfb could not be started";
  mvtest::PrivateSessionBus bus;  // named in DBUS_SESSION_BUS_ADDRESS, which the program inherits
  ASSERT_FALSE(bus.address.isEmpty());
  ASSERT_TRUE(bus.stop());
  Watchdog watchdog(bus, 60);

  start(display.name());
  // Bounded by the clock, as each look at the display takes its own time.
  bool shown = false;
  for (auto end = std::chrono::steady_clock::now() + std::chrono::seconds(15);
       !shown && std::chrono::steady_clock::now() < end; std::this_thread::sleep_for(std::chrono::milliseconds(100)))
    shown = !display.xdotool("search --onlyvisible --name '^Morvantis V'").empty();
  ASSERT_TRUE(shown) << "no window while the session bus does not answer";
  ASSERT_EQ(::kill(child, SIGTERM), 0);
  const int status = waitForEnd();
  ASSERT_TRUE(WIFEXITED(status)) << "status " << status;
  EXPECT_EQ(WEXITSTATUS(status), 0);
  EXPECT_NE(readText("Err.log").find("did not answer"), std::string::npos);
}

}  // namespace
