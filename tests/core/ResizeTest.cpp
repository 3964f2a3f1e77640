// Proportional resizing of a window's controls, on real widgets.
#include <gtest/gtest.h>

#include <QLabel>
#include <QResizeEvent>
#include <QSpinBox>
#include <QTabWidget>
#include <memory>

#include "core/FormSupport.h"
#include "core/LineControl.h"
#include "core/Twips.h"
#include "core/mdlResize.h"
#include "platform/QtText.h"

using namespace mv;

namespace {

QLabel* control(QWidget* parent, const char* name, const TwipsRect& at) {
  auto* c = new QLabel(parent);
  c->setObjectName(name);
  MoveTwips(c, at);
  return c;
}

std::unique_ptr<QWidget> window(const char* name, std::int32_t width, std::int32_t height) {
  auto w = std::make_unique<QWidget>();
  w->setObjectName(name);
  MoveTwips(w.get(), {0, 0, width, height});
  return w;
}

void setInnerSize(QWidget* w, std::int32_t width, std::int32_t height) {
  TwipsRect r = TwipsGeometry(w);
  r.Width = width;
  r.Height = height;
  MoveTwips(w, r);
}

// A page that resizes its controls from its own resize event, as the pages of
// the main window do, and counts the passes that found the module busy.
class ResizingPage : public Page {
 public:
  using Page::Page;
  int nestedCalls = 0;

 protected:
  void resizeEvent(QResizeEvent* e) override {
    Page::resizeEvent(e);
    if (!AllowResize) return;
    if (blnResizing) ++nestedCalls;
    ResizeForm(this);
  }
};

class Resize : public ::testing::Test {
 protected:
  void SetUp() override { ResetResizeGlobals(); }
  void TearDown() override { ResetResizeGlobals(); }
};

TEST_F(Resize, GrowingAWindowScalesItsControlsByTheTruncatedPercentage) {
  auto w = window("frmGrow", 9000, 6000);
  QLabel* a = control(w.get(), "lblA", {900, 600, 3000, 450});
  ResizeForm(w.get());
  ASSERT_EQ(lngFormCount, 1);
  EXPECT_EQ(arrFormSizes[0].ScaleWidth, 9000);
  EXPECT_EQ(arrFormSizes[0].ScaleHeight, 6000);
  EXPECT_EQ(TwipsGeometry(a), (TwipsRect{900, 600, 3000, 450}));

  setInnerSize(w.get(), 12000, 6000);
  EXPECT_EQ(GetWidthRatio(w.get()), 133);
  EXPECT_EQ(GetHeightRatio(w.get()), 100.0f);
  ResizeForm(w.get());
  EXPECT_EQ(TwipsGeometry(a), (TwipsRect{1197, 600, 3990, 450}));
  // On screen the control stands at the nearest whole pixels.
  EXPECT_EQ(a->geometry(), QRect(80, 40, 266, 30));
  EXPECT_FALSE(blnResizing);
}

TEST_F(Resize, ScalingStartsFromTheRecordEveryTimeSoNothingDrifts) {
  auto w = window("frmDrift", 9000, 6000);
  QLabel* a = control(w.get(), "lblA", {900, 600, 3000, 450});
  ResizeForm(w.get());
  for (std::int32_t width : {12000, 7000, 13000, 9000}) {
    setInnerSize(w.get(), width, 6000);
    ResizeForm(w.get());
  }
  EXPECT_EQ(TwipsGeometry(a), (TwipsRect{900, 600, 3000, 450}));
}

TEST_F(Resize, ControlsOnAHiddenTabStayHiddenAndLinesMoveByTheirEnds) {
  auto w = window("frmTabs", 9000, 6000);
  QLabel* hidden = control(w.get(), "lblHidden", {900 - HiddenTabOffset, 600, 3000, 450});
  auto* line = new LineControl(w.get());
  line->setObjectName("Line1");
  line->SetEnds(900, 300, 3900, 1200);
  ResizeForm(w.get());
  ASSERT_EQ(lngControlCount, 2);
  EXPECT_EQ(arrControlSizes[0].Left, 900);
  EXPECT_EQ(arrControlSizes[1].Width, 3900);

  setInnerSize(w.get(), 12000, 9000);
  ResizeForm(w.get());
  EXPECT_EQ(TwipsGeometry(hidden), (TwipsRect{1197 - HiddenTabOffset, 900, 3990, 675}));
  EXPECT_EQ(line->X1(), 1197);
  EXPECT_EQ(line->Y1(), 450);
  EXPECT_EQ(line->X2(), 5187);
  EXPECT_EQ(line->Y2(), 1800);
}

TEST_F(Resize, ExcludedControlsAndWindowsOutOfSightAreLeftAlone) {
  auto w = window("frmAlerts", 9000, 6000);
  QLabel* icon = control(w.get(), "pic16", {300, 300, 480, 480});
  QLabel* limit = control(w.get(), "txtMaxAlertsShows", {1200, 300, 900, 300});
  QLabel* other = control(w.get(), "lblOther", {3000, 300, 900, 300});
  ResizeForm(w.get());
  setInnerSize(w.get(), 18000, 12000);
  ResizeForm(w.get());
  EXPECT_EQ(TwipsGeometry(icon), (TwipsRect{300, 300, 480, 480}));
  EXPECT_EQ(TwipsGeometry(limit), (TwipsRect{1200, 300, 900, 300}));
  EXPECT_EQ(TwipsGeometry(other), (TwipsRect{6000, 600, 1800, 600}));

  // A page placed at Top 30000 is not recorded and not touched.
  QWidget host;
  auto* away = new QWidget(&host);
  away->setObjectName("frmAway");
  MoveTwips(away, {0, 30000, 9000, 6000});
  QLabel* c = control(away, "lblC", {900, 600, 3000, 450});
  ResizeForm(away);
  EXPECT_EQ(lngFormCount, 1);
  EXPECT_EQ(TwipsGeometry(away), (TwipsRect{0, 30000, 9000, 6000}));
  EXPECT_EQ(TwipsGeometry(c), (TwipsRect{900, 600, 3000, 450}));
  EXPECT_FALSE(blnResizing);
}

TEST_F(Resize, APageIsFittedToItsControlsOnItsFirstPassThenGivenItsSizeBack) {
  QWidget host;
  host.resize(800, 600);
  auto* page = new ResizingPage(&host);
  page->setObjectName("frmFirewall");
  QLabel* a = control(page, "lblA", {900, 600, 3000, 900});
  QLabel* icon = control(page, "defaultIcon", {20000, 20000, 480, 480});
  MoveTwips(page, {0, 0, 9000, 6000});
  host.show();
  page->AllowResize = true;

  ResizeForm(page);
  // Recorded at the fitted size: 200 right of the widest and 500 below the
  // lowest control; the excluded icon does not count.
  ASSERT_EQ(lngFormCount, 1);
  EXPECT_EQ(arrFormSizes[0].Name, "frmFirewall");
  EXPECT_EQ(arrFormSizes[0].ScaleWidth, 4100);
  EXPECT_EQ(arrFormSizes[0].ScaleHeight, 2000);
  EXPECT_EQ(TwipsGeometry(page), (TwipsRect{0, 0, 9000, 6000}));
  // 9000 / 4100 gives 219%, 6000 / 2000 gives 300%.
  EXPECT_EQ(TwipsGeometry(a), (TwipsRect{1971, 1800, 6570, 2700}));
  EXPECT_EQ(TwipsGeometry(icon), (TwipsRect{20000, 20000, 480, 480}));
  // Sizing the page raised its resize event; the nested pass did nothing.
  EXPECT_GE(page->nestedCalls, 1);
  EXPECT_EQ(lngFormCount, 1);
  EXPECT_FALSE(blnResizing);
}

TEST_F(Resize, ACallWhileBusyDoesNothing) {
  auto w = window("frmBusy", 9000, 6000);
  QLabel* a = control(w.get(), "lblA", {900, 600, 3000, 450});
  blnResizing = true;
  ResizeForm(w.get());
  EXPECT_EQ(lngFormCount, 0);
  EXPECT_EQ(lngControlCount, 0);
  EXPECT_TRUE(blnResizing);
  blnResizing = false;
  ResizeForm(w.get());
  EXPECT_EQ(lngFormCount, 1);
  EXPECT_EQ(TwipsGeometry(a), (TwipsRect{900, 600, 3000, 450}));
}

TEST_F(Resize, ControlsWithoutAUsableRecordKeepTheirGeometry) {
  // Recorded while it had no inner area: no ratio can be taken from it.
  auto empty = window("frmEmpty", 0, 0);
  QLabel* a = control(empty.get(), "lblA", {900, 600, 3000, 450});
  ResizeForm(empty.get());
  EXPECT_EQ(arrFormSizes[0].ScaleWidth, 0);
  EXPECT_FALSE(GetWidthRatio(empty.get()).has_value());
  setInnerSize(empty.get(), 9000, 6000);
  ResizeForm(empty.get());
  EXPECT_EQ(TwipsGeometry(a), (TwipsRect{900, 600, 3000, 450}));

  // A control added after the window was recorded.
  auto w = window("frmLater", 9000, 6000);
  QLabel* first = control(w.get(), "lblFirst", {900, 600, 3000, 450});
  ResizeForm(w.get());
  QLabel* later = control(w.get(), "lblLater", {1500, 1500, 1500, 300});
  setInnerSize(w.get(), 18000, 6000);
  ResizeForm(w.get());
  EXPECT_EQ(TwipsGeometry(first), (TwipsRect{1800, 600, 6000, 450}));
  EXPECT_EQ(TwipsGeometry(later), (TwipsRect{1500, 1500, 1500, 300}));
  EXPECT_EQ(FindControlIndex(later, "frmLater"), -1);
}

TEST_F(Resize, ControlArraysAreRecordedPerIndexAndWindowsOfOneNameShareARecord) {
  auto w = window("frmIP", 9000, 6000);
  QLabel* ip0 = control(w.get(), "txtIP", {300, 300, 600, 300});
  QLabel* ip1 = control(w.get(), "txtIP", {1200, 300, 600, 300});
  ip0->setProperty("Index", 0);
  ip1->setProperty("Index", 1);
  ResizeForm(w.get());
  EXPECT_EQ(lngControlCount, 2);
  EXPECT_EQ(FindControlIndex(ip1, "frmIP"), 1);
  setInnerSize(w.get(), 18000, 6000);
  ResizeForm(w.get());
  EXPECT_EQ(TwipsGeometry(ip0).Left, 600);
  EXPECT_EQ(TwipsGeometry(ip1).Left, 2400);

  // A second window of the same name takes the first one's record.
  auto again = window("frmIP", 18000, 12000);
  QLabel* copy = control(again.get(), "txtIP", {0, 0, 100, 100});
  copy->setProperty("Index", 1);
  ResizeForm(again.get());
  EXPECT_EQ(lngFormCount, 1);
  EXPECT_EQ(TwipsGeometry(copy), (TwipsRect{2400, 600, 1200, 600}));
}

TEST_F(Resize, TheControlsOfAWindowAreItsOwnNamedWidgets) {
  auto w = window("frmKinds", 9000, 6000);
  auto* tabs = new QTabWidget(w.get());
  tabs->setObjectName("TabMain");
  auto* page = new QWidget;
  page->setObjectName("tabPage1");
  tabs->addTab(page, "One");
  control(page, "cmdOnTab", {300, 300, 900, 300});
  auto* spin = new QSpinBox(w.get());
  spin->setObjectName("Up_Down");
  new QLabel(w.get());  // no name: not a control
  auto* popup = new QWidget(w.get(), Qt::Popup);
  popup->setObjectName("mnuPopup");
  control(popup, "lblInPopup", {0, 0, 300, 300});

  std::vector<std::string> names;
  for (QWidget* c : FormControls(w.get())) names.push_back(WindowName(c));
  EXPECT_EQ(names, (std::vector<std::string>{"TabMain", "cmdOnTab", "Up_Down"}));
}

TEST(Twips, AWidgetMovedBySomethingElseIsReadFromItsPixels) {
  QWidget parent;
  QLabel* a = control(&parent, "lblA", {1197, 600, 3990, 450});
  EXPECT_EQ(TwipsGeometry(a), (TwipsRect{1197, 600, 3990, 450}));
  a->move(10, 20);
  EXPECT_EQ(TwipsGeometry(a).Left, 150);
  EXPECT_EQ(TwipsGeometry(a).Top, 300);
  EXPECT_EQ(TwipsGeometry(a).Width, 266 * TwipsPerPixel);
  EXPECT_EQ(FixNegativeValue(-74100), 900);
  EXPECT_EQ(FixNegativeValue(0), 0);
}

}  // namespace
