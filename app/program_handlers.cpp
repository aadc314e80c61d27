// The program's handler table.
#include "app/program_handlers.h"

#include "app/handler_registry.h"
#include "app/shell_handlers.h"
#include "collect/collection_run.h"
#include "collect/configuration_test.h"
#include "collect/result_export.h"
#include "collect/toolbox.h"

namespace app {

void RegisterProgramHandlers() {
  RegisterShellHandlers();
  RegisterHandler("StartProcessing", collect::StartProcessing);
  RegisterHandler("TestConfiguration", collect::TestConfiguration);
  RegisterHandler("ExportResults", collect::ExportResults);
  RegisterHandler("ClearResultList", collect::ClearResultList);
  RegisterHandler("ChooseSeparator", collect::ChooseSeparator);
  RegisterHandler("GenerateAddresses", collect::GenerateAddresses);
}

}  // namespace app
