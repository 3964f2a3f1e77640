// The screen saver asked over the session bus: a bus that does not answer,
// and one that has gone and come back.
#include "platform/ScreenSaver.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QTemporaryDir>
#include <optional>

#include "tests/support/SessionBus.h"

using namespace mv::platform;

namespace mvtest {
namespace {

struct Answer {
  bool answers = false;
  bool active = false;
};

// Asks the screen saver once and waits for the answer.
std::optional<Answer> ask(QObject* context) {
  std::optional<Answer> answer;
  AskScreenSaver(context, [&answer](bool answers, bool active) { answer = Answer{answers, active}; });
  waitFor([&] { return answer.has_value(); });
  return answer;
}

TEST(ScreenSaverSeam, ABusThatTakesTheConnectionButDoesNotAnswerCountsAsNoneWithinSeconds) {
  PrivateSessionBus bus;
  ASSERT_FALSE(bus.address.isEmpty());
  ASSERT_TRUE(bus.stop());
  QObject context;
  QElapsedTimer clock;
  clock.start();
  const std::optional<Answer> answer = ask(&context);
  const qint64 took = clock.elapsed();
  bus.resume();
  ASSERT_TRUE(answer.has_value());
  EXPECT_FALSE(answer->answers);
  // Generous against a busy machine, well below a wait of minutes.
  EXPECT_LT(took, 6000);
}

TEST(ScreenSaverSeam, ABusInTheRuntimeFolderThatHasGoneIsReachedAgainWhenItComesBack) {
  // The session's bus where no address is given: $XDG_RUNTIME_DIR/bus.
  QTemporaryDir runtime;
  ASSERT_TRUE(runtime.isValid());
  EnvironmentVariable folder("XDG_RUNTIME_DIR", runtime.path().toStdString());
  QObject context;
  {
    PrivateSessionBus first(runtime.path());
    ASSERT_FALSE(first.address.isEmpty());
    EnvironmentVariable noAddress("DBUS_SESSION_BUS_ADDRESS", "");
    TestScreenSaver saver(first.address, "/org/freedesktop/ScreenSaver", false);
    ASSERT_TRUE(saver.registered());
    const std::optional<Answer> answer = ask(&context);
    ASSERT_TRUE(answer.has_value());
    EXPECT_TRUE(answer->answers);
  }
  PrivateSessionBus second(runtime.path());
  ASSERT_FALSE(second.address.isEmpty());
  EnvironmentVariable noAddress("DBUS_SESSION_BUS_ADDRESS", "");
  TestScreenSaver saver(second.address, "/org/freedesktop/ScreenSaver", true);
  ASSERT_TRUE(saver.registered());
  // The link notices the first bus gone and connects to the second.
  std::optional<Answer> answer;
  waitFor([&] {
    answer = ask(&context);
    return answer && answer->answers;
  });
  ASSERT_TRUE(answer.has_value());
  EXPECT_TRUE(answer->answers);
  EXPECT_TRUE(answer->active);
}

}  // namespace
}  // namespace mvtest
