// The program's main window under test (real Qt widgets on the offscreen platform), found by the
// object names of its layout, and what the tests of its commands share.
#pragma once

#include <QApplication>
#include <QMenu>
#include <QPointer>
#include <QTest>
#include <QTimer>
#include <functional>
#include <string>

#include <gtest/gtest.h>

#include "runtime/code_page.h"
#include "tests/support/list_pages.h"
#include "tests/support/loopback_server.h"
#include "window/control_widgets.h"
#include "window/main_window.h"
#include "window/report_list_view.h"
#include "window/status_bar_widget.h"

namespace window_test {

// A main window shown and active for each test, deleted after it unless the test closed it.
class MainWindowTest : public ::testing::Test {
protected:
  void SetUp() override {
    window_ = new window::MainWindow;
    window_->show();
    QApplication::setActiveWindow(window_);
  }
  void TearDown() override { delete window_.data(); }

  window::MainWindow* Main() { return window_; }
  // A widget of the main window by its layout name.
  template <typename T = QWidget>
  T* Widget(const char* name) {
    return window_->findChild<T*>(QString::fromUtf8(name));
  }
  void Click(const char* button) { QTest::mouseClick(Widget(button), Qt::LeftButton); }
  // The text of a box of the main window, in UTF-8 (CR LF between the lines of a multi-line box).
  std::string BoxText(const char* box) { return runtime::TextToUtf8(window::EditBoxText(Widget(box))); }
  void SetText(const char* box, const std::string& utf8) { window::SetEditBoxText(Widget(box), runtime::T(utf8)); }
  // A part of the status bar, in UTF-8.
  std::string BarText(int part = 1) {
    return runtime::TextToUtf8(Widget<window::StatusBarWidget>("状态条1")->PartText(part));
  }
  const collect::ResultTable& Table() { return Widget<window::ReportListView>("测试列表框")->Table(); }
  std::string Cell(int row, int column) { return runtime::TextToUtf8(Table().Cell(row, column)); }
  const std::vector<window::MessageRecord>& Messages() { return window_->Boxes().Shown(); }

  QPointer<window::MainWindow> window_;
};

// A list page of entries that the loopback server answers only after delay.
inline test_support::Reply SlowListPage(std::chrono::milliseconds delay, int entries = 2) {
  test_support::Reply reply = test_support::RawReply(test_support::HttpResponse(200, collect_test::ListPageGbk(entries)));
  reply.delay = delay;
  return reply;
}

// Chooses an item of an open pop-up menu with the mouse, as a user would.
inline void ChooseMenuItem(QMenu& menu, QAction* item) {
  QTest::mouseClick(&menu, Qt::LeftButton, {}, menu.actionGeometry(item).center());
}

// The action of an open pop-up menu by its layout name; null when the menu does not show it.
inline QAction* ActionNamed(QMenu& menu, const char* name) {
  for (QAction* action : menu.actions()) {
    if (action->objectName() == QString::fromUtf8(name)) return action;
  }
  return nullptr;
}

// Runs check on the next pop-up menu once it is open; closes the menu if check left it open.
inline void WithNextPopup(std::function<void(QMenu&)> check) {
  QTimer::singleShot(0, [check = std::move(check)] {
    auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    ASSERT_NE(menu, nullptr);
    check(*menu);
    if (menu->isVisible()) menu->close();
  });
}

// Opens a pop-up menu of the main window and chooses the item of that name with the mouse, as a
// user would; false when the menu does not show it.
inline bool ChooseFromMenu(window::MainWindow& window, const char* menu, const char* item) {
  bool chosen = false;
  WithNextPopup([item, &chosen](QMenu& popup) {
    QAction* action = ActionNamed(popup, item);
    if (action == nullptr) return;
    EXPECT_TRUE(action->isEnabled()) << item;
    chosen = true;
    ChooseMenuItem(popup, action);
  });
  window.PopupMenu(menu);
  return chosen;
}

// Whether the item of that name shows its check mark in the pop-up menu.
inline bool MenuItemChecked(window::MainWindow& window, const char* menu, const char* item) {
  bool checked = false;
  WithNextPopup([item, &checked](QMenu& popup) {
    QAction* action = ActionNamed(popup, item);
    ASSERT_NE(action, nullptr) << item;
    EXPECT_TRUE(action->isCheckable());
    checked = action->isChecked();
  });
  window.PopupMenu(menu);
  return checked;
}

}  // namespace window_test
