// The status channels of a run.
#include "collect/status_reporter.h"

#include "collect/status_texts.h"

namespace collect {

void StatusReporter::RunStarted(int) { AppendLine(RunStartLine()); }

void StatusReporter::AttemptStarted(const AttemptStart& attempt) { ShowMessage(PrintableAddress(attempt.address)); }

void StatusReporter::AttemptFinished(const AttemptResult& attempt) {
  if (attempt.rowsFound == 0) ShowMessage(NoMatchMessage());
  AppendLine(AttemptLine(attempt));
  ShowMessage(MatchCountMessage(attempt.rowsFound));
}

void StatusReporter::DetailPageFinished(const DetailPageResult& detail) {
  if (detail.address.empty() || !detail.matched || !detail.failureReason.empty()) AppendLine(DetailLine(detail));
}

void StatusReporter::RunFinished(const RunSummary& summary) { ShowMessage(FinalMessage(summary)); }

}  // namespace collect
