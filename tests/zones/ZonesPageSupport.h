#pragma once
// The zones page and its entry dialogs under test: entries laid into the
// tables, the page loaded, the list read back, the real controls clicked and
// typed into, and each modal dialog acted on by a driver.
#include <QApplication>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>
#include <array>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/FormControls.h"
#include "core/MDIMain.h"
#include "core/mdlMorvantisDatabase.h"
#include "platform/FileSystem.h"
#include "platform/Network.h"
#include "platform/PrivateProfile.h"
#include "tests/core/ModalDriver.h"
#include "tests/zones/ZoneTestSupport.h"
#include "zones/frmAddHostSite.h"
#include "zones/frmAddIPAddress.h"
#include "zones/frmAddIPRange.h"
#include "zones/frmAddSubnet.h"
#include "zones/frmFirewall.h"
#include "zones/mdlZoneEntry.h"

namespace mvtest {

using ListRow = std::array<std::string, 5>;

class ZonesPageTest : public ZoneTablesTest {
 protected:
  void TearDown() override {
    delete mv::LoadedForm<mv::frmAddHostSite>();
    delete mv::LoadedForm<mv::frmAddIPAddress>();
    delete mv::LoadedForm<mv::frmAddIPRange>();
    delete mv::LoadedForm<mv::frmAddSubnet>();
    delete mv::LoadedForm<mv::frmFirewall>();
    mv::UnloadMDIMain();
    ZoneTablesTest::TearDown();
  }

  // Appends an entry row (values without the ID) as the dialogs do; its ID.
  static std::string addEntry(long table, std::vector<std::string> values) {
    std::string id = mv::GetNewRowIndex();
    values.push_back(id);
    EXPECT_TRUE(mv::Write_MorvantisNewData(table, mv::getNextLineNo(table), values, true));
    return id;
  }
  // A detected network in its reserved row section, as start-up writes it.
  static std::string addNetwork(const std::string& section, const std::string& ip) {
    std::string id = mv::GetNewRowIndex();
    EXPECT_TRUE(mv::Write_MorvantisNewData(mv::Database_SubnetSetting, section,
                               {ip, "255.255.255.0", "New Network", ip + "/255.255.255.0", "2", "1", id}, false));
    EXPECT_TRUE(mv::Write_MorvantisNewData(mv::Database_IPAddress, section, {"5", "2", ip + "/24", ip + "/24", id}, false));
    return id;
  }

  // Lets `writes` settings-file writes through and fails every later one,
  // as if the program had ended after them.
  static void endAfter(int writes) {
    mv::platform::setProfileFileWriter([left = writes](const std::string& native, const std::string& bytes) mutable {
      return left-- > 0 && mv::platform::writeNativeFileAtomic(native, bytes);
    });
  }
  // The writes of the sequence when nothing stops it.
  static int writesOf(const std::function<void()>& sequence) {
    int count = 0;
    mv::platform::setProfileFileWriter([&count](const std::string& native, const std::string& bytes) {
      ++count;
      return mv::platform::writeNativeFileAtomic(native, bytes);
    });
    sequence();
    mv::platform::setProfileFileWriter(nullptr);
    return count;
  }

  // The page, loaded and shown on its own.
  mv::frmFirewall* loadPage() {
    mv::frmFirewall* page = mv::LoadForm<mv::frmFirewall>();
    page->show();
    page->TabFireWall->setCurrentIndex(1);
    return page;
  }

  static std::vector<ListRow> listRows(const QTreeWidget* list) {
    std::vector<ListRow> rows;
    for (int i = 0; i < list->topLevelItemCount(); ++i) {
      ListRow r;
      for (int c = 0; c < 5; ++c) r[c] = list->topLevelItem(i)->text(c).toStdString();
      rows.push_back(r);
    }
    return rows;
  }
  static std::vector<std::string> names(const QTreeWidget* list) {
    std::vector<std::string> n;
    for (const auto& r : listRows(list)) n.push_back(r[0]);
    return n;
  }

  // A mouse click (or double click) on the list's row.
  static void clickRow(QTreeWidget* list, int row, bool twice = false, Qt::MouseButton button = Qt::LeftButton) {
    const QPoint at = list->visualItemRect(list->topLevelItem(row)).center();
    if (twice) QTest::mouseDClick(list->viewport(), button, {}, at);
    else QTest::mouseClick(list->viewport(), button, {}, at);
  }
  static void clickHeader(QTreeWidget* list, int column) {
    QHeaderView* h = list->header();
    QTest::mouseClick(h->viewport(), Qt::LeftButton, {},
                      QPoint(h->sectionViewportPosition(column) + h->sectionSize(column) / 2, h->height() / 2));
  }

  // Acts on each opening of the dialog D.
  template <class D>
  std::unique_ptr<ModalDriver> onDialog(std::function<void(D&)> act) {
    return std::make_unique<ModalDriver>([] { return mv::LoadedForm<D>(); },
                                         [act] { act(*mv::LoadedForm<D>()); });
  }

  // Types the octets into a row of boxes, box by box, as a user would.
  static void typeAddress(const mv::OctetRow& row, const std::array<const char*, 4>& octets) {
    for (int i = 0; i < 4; ++i) QTest::keyClicks(row[i], octets[i]);
  }
  static std::array<std::string, 4> octets(const mv::OctetRow& row) { return mv::OctetTexts(row); }

  // The host-name resolver answers from this table; every name it is asked
  // for is counted.
  void fakeResolver(std::map<std::string, std::vector<mv::platform::IPv4Bytes>> table) {
    mv::platform::setSocketsStartup([](std::uint16_t, mv::platform::SocketsInfo& info) {
      info.version = 0x0101;
      info.maxSockets = 100;
      return 0;
    });
    mv::platform::setSocketsCleanup([] { return 0; });
    mv::platform::setHostLookup([this, table](const std::string& name, std::vector<mv::platform::IPv4Bytes>& out) {
      lookups.push_back(name);
      auto it = table.find(name);
      if (it == table.end()) return false;
      out = it->second;
      return true;
    });
  }
  std::vector<std::string> lookups;
};

}  // namespace mvtest
