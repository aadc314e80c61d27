// What the main window remembers between its commands: the page of the last configuration test,
// on which the rule preview tries the rule, and the pages the last run could not collect.
#pragma once

#include <QObject>
#include <memory>
#include <vector>

#include "runtime/text.h"

namespace app {

// A page as the configuration test prepared it.
struct TestedPage {
  runtime::Text address;
  runtime::Text pageText;  // cut and cleaned, as a run matches it
};

// Lives as long as the main window it belongs to, so a new main window starts with nothing.
class MainWindowSession final : public QObject {
  Q_OBJECT

public:
  explicit MainWindowSession(QObject* mainWindow);
  ~MainWindowSession() override;

  // The session of the main window loaded now; null when none is.
  static MainWindowSession* Current();

  // The page of the last configuration test; null before the first. Shared, so a preview at
  // work keeps its page when a newer test replaces it.
  std::shared_ptr<const TestedPage> LastTestedPage() const { return testedPage_; }
  void KeepTestedPage(TestedPage page);

  // Addresses of the pages the last run (or retry) left uncollected, in run order.
  const std::vector<runtime::Text>& FailedAddresses() const { return failedAddresses_; }
  void SetFailedAddresses(std::vector<runtime::Text> addresses);

private:
  std::shared_ptr<const TestedPage> testedPage_;
  std::vector<runtime::Text> failedAddresses_;
};

}  // namespace app
