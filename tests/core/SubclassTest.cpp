// Window subclassing: the order in which clients and the window's own
// handling see a message, consuming it, detaching, and the size limits.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QWidget>
#include <memory>
#include <string>
#include <vector>

#include "core/GSubclass.h"
#include "core/MSubclass.h"
#include "tests/support/TestEnv.h"

using namespace mv;

namespace {

constexpr int kMessage = QEvent::User + 500;
constexpr int kOtherMessage = QEvent::User + 501;

// A window that writes down the messages its own handling receives.
class RecordingWindow : public QWidget {
 public:
  explicit RecordingWindow(std::vector<std::string>* log) : log_(log) {}

 protected:
  bool event(QEvent* e) override {
    if (e->type() == kMessage || e->type() == kOtherMessage || e->type() == WM_GETMINMAXINFO) {
      log_->push_back("window");
      return true;
    }
    return QWidget::event(e);
  }

 private:
  std::vector<std::string>* log_;
};

class Client : public ISubclass {
 public:
  Client(std::string name, long response, std::vector<std::string>* log, long result = 0)
      : name_(std::move(name)), response_(response), result_(result), log_(log) {}
  long MsgResponse() const override { return response_; }
  void MsgResponse(long response) override { response_ = response; }
  long WindowProc(QObject*, int, QEvent*) override {
    log_->push_back(name_);
    seenMessage = CurrentMessage();
    return result_;
  }
  long seenMessage = 0;

 private:
  std::string name_;
  long response_;
  long result_;
  std::vector<std::string>* log_;
};

// The size limits the main window asks for.
class MinimumSizeClient : public ISubclass {
 public:
  long MsgResponse() const override { return emrConsume; }
  void MsgResponse(long) override {}
  long WindowProc(QObject*, int, QEvent* e) override {
    static_cast<MinMaxInfo*>(e)->ptMinTrackSize = QSize(569, 482);
    return 0;
  }
};

class Subclass : public mvtest::ProgramFolderTest {
 protected:
  void send(int message) {
    QEvent e(static_cast<QEvent::Type>(message));
    QCoreApplication::sendEvent(&window, &e);
  }
  std::string errorLog() const { return readText("Err.log"); }

  std::vector<std::string> log;
  RecordingWindow window{&log};
};

TEST_F(Subclass, AMessageWithoutClientsGoesStraightToTheWindow) {
  Client a("A", ISubclass::emrConsume, &log);
  AttachMessage(&a, &window, kOtherMessage);
  send(kMessage);
  EXPECT_EQ(log, std::vector<std::string>{"window"});
  QEvent e(static_cast<QEvent::Type>(kMessage));
  EXPECT_EQ(WindowProc(&window, kMessage, &e), 1);
  EXPECT_EQ(log, (std::vector<std::string>{"window", "window"}));
  DetachMessage(&a, &window, kOtherMessage);
}

TEST_F(Subclass, TheFirstClientDecidesBeforeAndTheLastClientAfter) {
  Client a("A", ISubclass::emrPreprocess, &log, 11);
  Client b("B", ISubclass::emrConsume, &log, 22);
  AttachMessage(&a, &window, kMessage);
  AttachMessage(&b, &window, kMessage);
  EXPECT_EQ(RegistrationCount(&window), 2);
  EXPECT_EQ(ClientCount(&window, kMessage), 2);
  send(kMessage);
  EXPECT_EQ(log, (std::vector<std::string>{"window", "A", "B"}));
  EXPECT_EQ(b.seenMessage, kMessage);
  EXPECT_EQ(CurrentMessage(), kMessage);

  log.clear();
  a.MsgResponse(ISubclass::emrConsume);
  b.MsgResponse(ISubclass::emrPostProcess);
  QEvent e(static_cast<QEvent::Type>(kMessage));
  EXPECT_EQ(WindowProc(&window, kMessage, &e), 1);  // the window's own result comes last
  EXPECT_EQ(log, (std::vector<std::string>{"A", "B", "window"}));

  log.clear();
  b.MsgResponse(ISubclass::emrConsume);
  EXPECT_EQ(WindowProc(&window, kMessage, &e), 22);
  EXPECT_EQ(log, (std::vector<std::string>{"A", "B"}));

  // A second client's wish to go first is not asked.
  log.clear();
  b.MsgResponse(ISubclass::emrPreprocess);
  send(kMessage);
  EXPECT_EQ(log, (std::vector<std::string>{"A", "B"}));
  DetachMessage(&a, &window, kMessage);
  DetachMessage(&b, &window, kMessage);
}

TEST_F(Subclass, DetachingRemovesOneClientAndTheLastGivesTheWindowBack) {
  Client a("A", ISubclass::emrConsume, &log);
  Client b("B", ISubclass::emrConsume, &log);
  Client c("C", ISubclass::emrConsume, &log);
  AttachMessage(&a, &window, kMessage);
  AttachMessage(&b, &window, kMessage);
  AttachMessage(&c, &window, kOtherMessage);
  DetachMessage(&a, &window, kMessage);
  EXPECT_EQ(RegistrationCount(&window), 2);
  send(kMessage);
  EXPECT_EQ(log, std::vector<std::string>{"B"});

  // Not registered for that message: nothing changes.
  DetachMessage(&c, &window, kMessage);
  DetachMessage(&a, &window, kMessage);
  EXPECT_EQ(RegistrationCount(&window), 2);
  EXPECT_EQ(ClientCount(&window, kMessage), 1);
  EXPECT_EQ(ClientCount(&window, kOtherMessage), 1);

  DetachMessage(&b, &window, kMessage);
  DetachMessage(&c, &window, kOtherMessage);
  EXPECT_EQ(RegistrationCount(&window), 0);
  log.clear();
  send(kMessage);
  send(kOtherMessage);
  EXPECT_EQ(log, (std::vector<std::string>{"window", "window"}));
  // Further detaches on the way out find nothing and change nothing.
  DetachMessage(&b, &window, kMessage);
  EXPECT_EQ(RegistrationCount(&window), 0);
}

TEST_F(Subclass, ASecondAttachOrAnInvalidWindowIsLoggedAndCountsNothing) {
  Client a("A", ISubclass::emrConsume, &log);
  AttachMessage(&a, &window, kMessage);
  AttachMessage(&a, &window, kMessage);
  EXPECT_EQ(RegistrationCount(&window), 1);
  EXPECT_EQ(ClientCount(&window, kMessage), 1);
  send(kMessage);
  EXPECT_EQ(log, std::vector<std::string>{"A"});
  EXPECT_NE(errorLog().find("AttachMessage of MSubclass: Message already handled by another class"), std::string::npos);

  AttachMessage(&a, nullptr, kMessage);
  EXPECT_NE(errorLog().find("AttachMessage of MSubclass: Invalid window"), std::string::npos);
  DetachMessage(&a, &window, kMessage);
  EXPECT_EQ(RegistrationCount(&window), 0);

  GSubclass kit;
  kit.AttachMessage(&a, &window, kOtherMessage);
  EXPECT_EQ(ClientCount(&window, kOtherMessage), 1);
  kit.DetachMessage(&a, &window, kOtherMessage);
  EXPECT_EQ(ClientCount(&window, kOtherMessage), 0);
}

TEST_F(Subclass, AWindowThatGoesAwayTakesItsRegistrationsWithIt) {
  auto gone = std::make_unique<QWidget>();
  QObject* address = gone.get();
  Client a("A", ISubclass::emrConsume, &log);
  AttachMessage(&a, gone.get(), kMessage);
  ASSERT_EQ(RegistrationCount(address), 1);
  gone.reset();
  EXPECT_EQ(RegistrationCount(address), 0);
}

TEST_F(Subclass, TheMinimumSizeAnswerLimitsTheWindowUntilDetached) {
  window.setMinimumSize(100, 80);
  window.resize(800, 600);
  window.show();
  MinimumSizeClient mainWindow;
  AttachMessage(&mainWindow, &window, WM_GETMINMAXINFO);
  EXPECT_EQ(window.minimumSize(), QSize(569, 482));
  window.resize(300, 200);
  EXPECT_EQ(window.size(), QSize(569, 482));
  window.hide();
  window.show();
  EXPECT_EQ(window.minimumSize(), QSize(569, 482));
  // The message is consumed: the window's own handling never sees it.
  EXPECT_TRUE(log.empty());

  DetachMessage(&mainWindow, &window, WM_GETMINMAXINFO);
  EXPECT_EQ(window.minimumSize(), QSize(100, 80));
  window.resize(300, 200);
  EXPECT_EQ(window.size(), QSize(300, 200));
}

}  // namespace
