// The address generator: a modal window, created anew from its layout on every opening, that
// writes a numbered series of addresses and can append them to the main window's address box.
#pragma once

#include "window/layout_window.h"

namespace window {

class MainWindow;

class UrlGeneratorWindow final : public LayoutWindow {
  Q_OBJECT

public:
  // Over owner, whose run guard, message boxes and address box it uses. Deletes itself when it
  // closes; Escape closes it.
  explicit UrlGeneratorWindow(MainWindow& owner);

  // "生成": one line per number from first to last by step, each "*" of the pattern replaced by the
  // number, each line ended by CR LF. Refuses (with a message box) a step that never reaches the
  // last number and a series of more than collect::kMaxGeneratedAddresses lines.
  void GenerateAddresses();
  // "填入列表网址": the generated lines appended to the main window's address box.
  void FillAddressBox();

private:
  MainWindow& owner_;
};

}  // namespace window
