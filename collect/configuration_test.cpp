// The configuration test.
#include "collect/configuration_test.h"

#include "collect/collection_run.h"
#include "collect/main_window_controls.h"
#include "runtime/control_access.h"
#include "runtime/text_operations.h"

namespace collect {

runtime::Text FirstAddress(const runtime::Text& addresses) {
  int lineEnd = runtime::FindText(addresses, "\r\n");
  return lineEnd == -1 ? addresses : runtime::TextLeft(addresses, lineEnd - 1);
}

void TestConfiguration() {
  runtime::Text address = FirstAddress(runtime::ReadText(runtime::Window::MainWindow, Control::kAddresses));
  // The download keeps the window live; the test counts as a run so that no command starts
  // another one meanwhile.
  runtime::ControlAccess& controls = runtime::Controls();
  controls.SetRunning(true);
  controls.ShowRunProgress(1, 1);
  CollectPage(address, true);
  controls.SetRunning(false);
}

}  // namespace collect
