// The program's handler table.
#include "app/program_handlers.h"

#include "app/handler_registry.h"
#include "app/shell_handlers.h"
#include "app/fetching_dialog.h"
#include "app/export_file_command.h"
#include "app/main_window_commands.h"
#include "app/menu_item_looks.h"
#include "app/project_commands.h"
#include "app/toolbox_commands.h"

namespace app {

void RegisterProgramHandlers() {
  RegisterShellHandlers();
  RegisterHandler("StartProcessing", StartProcessing);
  RegisterHandler("TestConfiguration", TestConfiguration);
  RegisterHandler("ExportResults", ExportResults);
  RegisterHandler("ClearResultList", ClearResultList);
  RegisterHandler("ChooseSeparator", ChooseSeparator);
  RegisterHandler("GenerateAddresses", GenerateAddresses);
  RegisterHandler("ChooseFetching", ChooseFetching);
  RegisterHandler("RetryFailedAddresses", RetryFailedAddresses);
  RegisterMenuItemLook("RetryFailedAddresses", RetryMenuItemLook);
  RegisterHandler("OpenProject", OpenProject);
  RegisterHandler("SaveProjectAs", SaveProjectAs);
  RegisterHandler("ExportToFile", ExportToFile);
  RegisterHandler("RestoreDefaultSettings", RestoreDefaultSettings);
}

}  // namespace app
