// The alert pop-up driven through its controls: what it shows of the queue,
// stepping through alerts, the do-not-show tick, OK and the close box, and
// the sentences it builds.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <cstdlib>
#include <string>
#include <vector>

#include "alerts/frmDisplay.h"
#include "alerts/mdlAlertMessage.h"
#include "core/FormControls.h"
#include "core/MDIMain.h"
#include "core/mdINIBas.h"
#include "core/mdlMorvantisDatabase.h"
#include "tests/alerts/EventsFixture.h"

namespace mvtest {
namespace {

using namespace mv;

const std::string kSentence = "The firewall has blocked internet access to 10.1.2.3 (SMTP) from your computer.";

class AlertPopup : public EventsTest {
 protected:
  void SetUp() override {
    EventsTest::SetUp();
    hooks::ShowAlertPopup = [] { return ShowAlertPopup(); };
  }
  void TearDown() override {
    delete LoadedForm<frmDisplay>();
    settle();
    EventsTest::TearDown();
  }
  static void settle() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }
  void event(const std::string& line) {
    addLine(++written, line);
    CheckNewAlertsGenerates();
  }
  static std::string deny(const std::string& to = "10.1.2.3:25") { return packet(1, 0, 1, "10.0.0.1:1025", to, ""); }
  static frmDisplay* popup() {
    frmDisplay* f = LoadedForm<frmDisplay>();
    return f && f->isVisible() ? f : nullptr;
  }
  static std::string text(const char* name) {
    auto* label = popup()->findChild<QLabel*>(name);
    return label ? label->text().toStdString() : "(none)";
  }
  static QPushButton* move(int index) {
    for (QPushButton* b : popup()->findChildren<QPushButton*>("cmdMove"))
      if (b->property("Index").toInt() == index) return b;
    return nullptr;
  }
  static void clickOk() {
    popup()->findChild<QPushButton*>("cmdOk")->click();
    settle();
  }
  static QCheckBox* tick() { return popup()->findChild<QCheckBox*>("chkDoNotShowAlert"); }
  long written = 0;
};

TEST_F(AlertPopup, ShowsTheAlertOnTopAndCountsRepeats) {
  event(deny());
  ASSERT_NE(popup(), nullptr);
  EXPECT_TRUE(popup()->windowFlags() & Qt::WindowStaysOnTopHint);
  EXPECT_EQ(popup()->windowTitle().toStdString(), "Morvantis Alert Messages");
  EXPECT_EQ(text("lblHeading"), "Protected");
  EXPECT_EQ(text("lbAlertMessage"), kSentence);
  EXPECT_EQ(text("lblCount"), "1 of 1");
  EXPECT_EQ(text("lblSessionTotalAlerts"), "1");
  EXPECT_EQ(text("lblTime"), "15/03/2024 10:15:30");
  EXPECT_EQ(text("Label6"), "Date/Time :");
  EXPECT_EQ(text("Label8"), "Count :");
  EXPECT_TRUE(tick()->isVisible());
  EXPECT_FALSE(tick()->isChecked());

  event(deny());
  EXPECT_EQ(text("lblSessionTotalAlerts"), "2");
  EXPECT_EQ(text("lblCount"), "1 of 1");
}

TEST_F(AlertPopup, OkWritesTheQueueToBothLogsAndCloses) {
  event(deny());
  event(deny());
  clickOk();
  EXPECT_EQ(popup(), nullptr);
  EXPECT_EQ(LoadedForm<frmDisplay>(), nullptr);
  EXPECT_EQ(blnAlertShowing, 0);
  EXPECT_EQ(arrAlertQueue.size(), 1u);
  EXPECT_EQ(plainLog(),
            "High,2024/03/15,10:15:30,Deny,TCP,Outgoing,10.0.0.1:1025,10.1.2.3:25,,Protected,1025,25\r\n");
  EXPECT_EQ(qtrLines(), std::vector<std::string>{
                            "High,2024/03/15 10:15:30,Deny,TCP,Outgoing,10.0.0.1:1025,10.1.2.3:25,,Protected,1025,25,2"});
  // The next alert opens a new pop-up.
  event(deny("10.9.9.9:80"));
  ASSERT_NE(popup(), nullptr);
  EXPECT_EQ(text("lblCount"), "1 of 1");
  EXPECT_EQ(text("lbAlertMessage"), "The firewall has blocked internet access to 10.9.9.9 (HTTP) from your computer.");
}

TEST_F(AlertPopup, TheButtonsStepThroughTheQueue) {
  event(deny());
  event(deny("10.9.9.9:80"));
  EXPECT_EQ(text("lblCount"), "1 of 2");  // a new alert does not move the user's place
  EXPECT_EQ(text("lbAlertMessage"), kSentence);
  move(2)->click();
  EXPECT_EQ(text("lblCount"), "2 of 2");
  EXPECT_EQ(text("lbAlertMessage"), "The firewall has blocked internet access to 10.9.9.9 (HTTP) from your computer.");
  move(2)->click();
  EXPECT_EQ(text("lblCount"), "2 of 2");
  move(0)->click();
  EXPECT_EQ(text("lblCount"), "1 of 2");
  move(1)->click();
  EXPECT_EQ(text("lblCount"), "1 of 2");
  move(3)->click();
  EXPECT_EQ(text("lblCount"), "2 of 2");
  move(1)->click();
  EXPECT_EQ(text("lblCount"), "1 of 2");
  EXPECT_EQ(text("lbAlertMessage"), kSentence);
}

TEST_F(AlertPopup, TheTickSilencesThatAlertForTheRestOfTheRun) {
  event(deny());
  event(deny("10.9.9.9:80"));
  tick()->click();
  EXPECT_EQ(arrAlertQueue[1].DoNotShow, -1);
  move(2)->click();
  EXPECT_FALSE(tick()->isChecked());
  move(0)->click();
  EXPECT_TRUE(tick()->isChecked());
  clickOk();
  ASSERT_EQ(colDoNotShowAlerts.Count(), 1);
  EXPECT_EQ(colDoNotShowAlerts.Item(1), "1"
                                        "0"
                                        "1"
                                        "10.0.0.1"
                                        "10.1.2.3:25");
  event(deny());
  EXPECT_EQ(popup(), nullptr);
  EXPECT_EQ(arrAlertQueue.size(), 1u);
  event(deny("10.9.9.9:80"));
  EXPECT_NE(popup(), nullptr);
}

TEST_F(AlertPopup, ARememberedKeyTickedAgainDoesNotStopOk) {
  event(deny());
  tick()->click();
  // Another way in put the same key in the list meanwhile.
  const std::string key = leftComapreStr(arrAlertQueue[1].Event);
  colDoNotShowAlerts.Add(key, key);
  clickOk();
  EXPECT_EQ(colDoNotShowAlerts.Count(), 1);
  EXPECT_EQ(popup(), nullptr);
  EXPECT_NE(plainLog(), "");
  EXPECT_EQ(errLog(), "");
}

TEST_F(AlertPopup, AnAlertArrivingWhileOkWritesTheLogsOpensANewPopUp) {
  event(deny());
  // The log writer lets window events run: the read timer fires then.
  QTimer::singleShot(0, [this] { event(deny("10.9.9.9:80")); });
  clickOk();
  ASSERT_NE(popup(), nullptr);
  EXPECT_EQ(text("lblCount"), "1 of 1");
  EXPECT_EQ(arrAlertQueue.size(), 2u);
  EXPECT_EQ(arrAlertQueue[1].Column3, "10.9.9.9:80");
  EXPECT_EQ(blnAlertShowing, -1);
  EXPECT_EQ(qtrLines().size(), 1u);
  clickOk();
  EXPECT_EQ(qtrLines().size(), 2u);
}

TEST_F(AlertPopup, APopUpClosedWhileAProgramIsAddedLosesNoAlert) {
  event(deny());
  // Adding the program lets window events run (after the reader's own
  // yield): the user answers the pop-up then.
  QTimer answer;
  int fired = 0;
  bool whileAdding = false;
  QObject::connect(&answer, &QTimer::timeout, [&] {
    if (++fired != 2) return;
    whileAdding = !ReadINI("fetch", "Path", "", strProgramControlFile, true).empty();
    hooks::Call(hooks::CloseAlertPopup);
  });
  answer.start(0);
  event(packet(0, 0, 1, "10.0.0.1:40000", "10.1.2.3:443", "/usr/bin/fetch", "40000", "443"));
  answer.stop();
  settle();
  EXPECT_TRUE(whileAdding);
  EXPECT_TRUE(colProgramList.Contains("/usr/bin/fetch"));
  EXPECT_EQ(arrAlertQueue.size(), 1u);
  EXPECT_EQ(arrAlertQueue[0].PlainLine, "");
  ASSERT_EQ(qtrLines().size(), 2u);
  EXPECT_NE(qtrLines()[0].find(",Deny,"), std::string::npos);
  EXPECT_NE(qtrLines()[1].find(",fetch,New Program,40000,443,1"), std::string::npos);
}

TEST_F(AlertPopup, TheCloseBoxActsAsOk) {
  event(deny());
  popup()->close();
  settle();
  EXPECT_EQ(popup(), nullptr);
  EXPECT_EQ(blnAlertShowing, 0);
  EXPECT_NE(plainLog(), "");
  event(deny());
  EXPECT_NE(popup(), nullptr);
}

TEST_F(AlertPopup, TheMainWindowClosesIt) {
  event(deny());
  MDIMainForm()->CloseAlertWindow();
  settle();
  EXPECT_EQ(popup(), nullptr);
  EXPECT_EQ(qtrLines().size(), 1u);
  EXPECT_FALSE(hooks::CloseAlertPopup);
  UnloadMDIMain();
}

TEST_F(AlertPopup, OnAnEmptyQueueTheButtonsDoNothing) {
  LoadForm<frmDisplay>()->show();
  EXPECT_EQ(text("lblCount"), "0 of 0");
  for (int i = 0; i < 4; ++i) move(i)->click();
  EXPECT_EQ(text("lblCount"), "0 of 0");
  EXPECT_EQ(text("lblHeading"), "Firewall");
}

TEST_F(AlertPopup, TheSentenceWrapsAndNothingIsClipped) {
  event(packet(1, 0, 1, "192.168.100.17:1025", "192.168.100.255:138", ""));
  ASSERT_NE(popup(), nullptr);
  auto* message = popup()->findChild<QLabel*>("lbAlertMessage");
  EXPECT_TRUE(message->wordWrap());
  EXPECT_LE(message->heightForWidth(message->width()), message->height());
  for (QWidget* w : popup()->findChildren<QWidget*>()) {
    if (!w->isVisible()) continue;
    EXPECT_TRUE(popup()->rect().contains(w->geometry())) << w->objectName().toStdString();
    if (auto* label = qobject_cast<QLabel*>(w); label && !label->wordWrap()) {
      EXPECT_LE(label->sizeHint().width(), label->width()) << label->objectName().toStdString();
    }
  }
  if (const char* out = std::getenv("MV_POPUP_SCREENSHOT")) popup()->grab().save(out);
}

class AlertSentence : public EventsTest {};

TEST_F(AlertSentence, TheTwoShapesAndTheScope) {
  EXPECT_EQ(getAlertMessage("Outgoing", "10.0.0.1:1025", "10.1.2.3:25", "TCP"), kSentence);
  EXPECT_TRUE(Write_MorvantisNewData(Database_SubnetSetting, "0001",
                         {"192.168.0.20", "255.255.255.0", "Net", "192.168.0.20/255.255.255.0", "2", "1", "000001"},
                         true));
  EXPECT_EQ(getAlertMessage("Incoming", "192.168.0.7:1030", "192.168.0.20:21", "TCP"),
            "The firewall has blocked local network access to your computer (FTP) from 192.168.0.7 (TCP port 1030).");
  EXPECT_EQ(getAlertMessage("outgoing", "192.168.0.20:1025", "192.168.1.255:137", "UDP"),
            "The firewall has blocked internet broadcast to subnet broadcast address (192.168.1.255) (NetBios Name) "
            "from your computer.");
  EXPECT_EQ(getAlertMessage("Outgoing", "192.168.0.20:1025", "192.168.0.255:138", "UDP"),
            "The firewall has blocked local network broadcast to subnet broadcast address (192.168.0.255) "
            "(NetBios Datagram) from your computer.");
  EXPECT_EQ(getAlertMessage("Incoming", "10.0.0.9", "Local Address", "ICMP (Type = 8)"),
            "The firewall has blocked local network access to your computer (ICMP Echo (\"Ping\")) from 10.0.0.9 "
            "(ICMP Echo (\"Ping\")).");
  EXPECT_EQ(getAlertMessage("Incoming", "Local Address:5", "8.8.8.8:53", "IGMP"),
            "The firewall has blocked local network access to your computer (IGMP) from Local Address (IGMP).");
}

TEST_F(AlertPopup, AddressesWithoutPortsTakeTheEventsPortFields) {
  event(packet(1, 0, 1, "10.0.0.1", "10.1.2.3", "", "1025", "25"));
  ASSERT_NE(popup(), nullptr);
  EXPECT_EQ(text("lbAlertMessage"), kSentence);
}

TEST_F(AlertSentence, APortKnownNowhereLeavesItsPhraseOut) {
  EXPECT_EQ(getAlertMessage("Outgoing", "10.0.0.1", "10.1.2.3", "TCP"),
            "The firewall has blocked internet access to 10.1.2.3 from your computer.");
  EXPECT_EQ(getAlertMessage("Incoming", "10.0.0.9", "10.0.0.1", "UDP", "", "53"),
            "The firewall has blocked internet access to your computer (DNS) from 10.0.0.9.");
  // A port in the address holds over the event's field.
  EXPECT_EQ(getAlertMessage("Outgoing", "10.0.0.1:1025", "10.1.2.3:25", "TCP", "1", "80"), kSentence);
}

TEST_F(AlertSentence, PortAndProtocolPhrases) {
  EXPECT_EQ(getProtocolText("TCP", "80"), "HTTP");
  EXPECT_EQ(getProtocolText("UDP", "53"), "DNS");
  EXPECT_EQ(getProtocolText("TCP", "1234"), "TCP port 1234");
  EXPECT_EQ(getProtocolText("TCP", "0080"), "TCP port 0080");
  EXPECT_EQ(getProtocolText("tcp", "80"), "");
  EXPECT_EQ(getProtocolText("ICMP (Type = 0)", ""), "ICMP Echo Reply (\"Ping\")");
  EXPECT_EQ(getProtocolText("ICMP (Type = 2)", "7"), "ICMP (Type = 2) port 7");
  EXPECT_EQ(getProtocolText("ICMP", ""), "ICMP");
  EXPECT_EQ(getProtocolText("", "80"), "");
  EXPECT_TRUE(IsBroadcastAddress("10.0.0.255", "1.2.3.4"));
  EXPECT_FALSE(IsBroadcastAddress("10.0.0.25", "1.2.3.4"));
}

}  // namespace
}  // namespace mvtest
