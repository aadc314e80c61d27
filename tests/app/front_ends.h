// The window under test (Qt widgets on the offscreen platform), installed as the control access
// with its main window loaded, and a counter of handler calls.
#pragma once

#include <QApplication>
#include <QClipboard>
#include <QMenu>
#include <QTest>
#include <map>
#include <string>

#include <gtest/gtest.h>

#include "app/handler_registry.h"
#include "app/layout_window.h"
#include "app/program_handlers.h"
#include "app/qt_controls.h"
#include "app/qt_text.h"
#include "app/status_bar_widget.h"
#include "runtime/control_access.h"
#include "tests/support/loopback_server.h"

namespace app_test {

class QtFrontEnd {
public:
  QtFrontEnd() {
    runtime::InstallControls(&controls);
    controls.LoadWindow(runtime::Window::MainWindow, false);
  }
  ~QtFrontEnd() { runtime::InstallControls(nullptr); }

  runtime::Text PartText(int part) {
    auto* bar =
        controls.WindowOf(runtime::Window::MainWindow)->WidgetAs<app::StatusBarWidget>("状态条1");
    return bar->Data().PartText(part);
  }
  runtime::Text Clipboard() { return app::FromQString(QGuiApplication::clipboard()->text()); }
  void SetNextAnswer(int answer) { controls.SetNextAnswer(answer); }
  const std::vector<app::MessageRecord>& Messages() { return controls.Messages(); }

  app::QtControls controls;
};

// The program's main window shown with the program's handlers bound, and a loopback server: for
// tests that drive the commands as a user would.
class ProgramWindowTest : public ::testing::Test {
protected:
  void SetUp() override {
    runtime::InstallControls(&controls_);
    app::RegisterProgramHandlers();
    controls_.LoadWindow(runtime::Window::MainWindow, false);
    window_ = controls_.WindowOf(runtime::Window::MainWindow);
    ASSERT_NE(window_, nullptr);
    window_->show();
    QApplication::setActiveWindow(window_);
  }
  void TearDown() override { runtime::InstallControls(nullptr); }

  app::QtControls controls_;
  app::LayoutWindow* window_ = nullptr;
  test_support::LoopbackServer server_;
};

// Chooses an item of an open pop-up menu with the mouse, as a user would.
inline void ChooseMenuItem(QMenu& menu, QAction* item) {
  QTest::mouseClick(&menu, Qt::LeftButton, {}, menu.actionGeometry(item).center());
}

// Replaces the named handlers with ones that count their calls.
class HandlerCounts {
public:
  explicit HandlerCounts(std::initializer_list<const char*> names) {
    for (const char* name : names) {
      counts_[name] = 0;
      app::RegisterHandler(name, [this, key = std::string(name)] { ++counts_[key]; });
    }
  }
  ~HandlerCounts() {
    for (const auto& [name, count] : counts_) app::RegisterHandler(name, nullptr);
  }
  int operator[](const std::string& name) const { return counts_.at(name); }
  int Total() const {
    int total = 0;
    for (const auto& [name, count] : counts_) total += count;
    return total;
  }

private:
  std::map<std::string, int> counts_;
};

}  // namespace app_test
