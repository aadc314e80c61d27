// The match rule previewed while it is typed. Once a configuration test has prepared a page, a
// small frame under the rule box shows, a moment after typing pauses, how many records the rule
// finds on that page and the first of them, or why the rule cannot run. It lies over the top of
// the result list like a tool tip and hides when the rule box loses the focus or on Escape.
#pragma once

#include <QFrame>
#include <QTimer>

#include "collect/rule_preview.h"

class QLabel;
class QLineEdit;
class QTableWidget;

namespace window {

struct MainWindowSession;
class RulePreviewJobs;

class RulePreviewPanel final : public QFrame {
  Q_OBJECT

public:
  // Time typing must pause before the rule is tried.
  static constexpr int kSettleMs = 100;

  // Watches ruleBox, a widget inside window, and tries the rule on the session's tested page.
  RulePreviewPanel(QLineEdit* ruleBox, const MainWindowSession& session, QWidget* window);

  // How the rule is read from now on; the rule is tried again when a page has been tested.
  void SetRuleSyntax(collect::RuleSyntax syntax);

  QLabel* Headline() const { return headline_; }
  QTableWidget* Records() const { return records_; }

signals:
  // An answer has been written into the panel; it shows when the rule box has the focus.
  void AnswerWritten();

protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

private:
  void AskPreview();
  void WriteAnswer(const collect::RulePreview& preview);
  void ShowBusy();
  void Place();

  QLineEdit* ruleBox_;
  const MainWindowSession& session_;
  QLabel* headline_;
  QTableWidget* records_;
  RulePreviewJobs* jobs_;
  collect::RuleSyntax syntax_ = collect::RuleSyntax::Pattern;
  QTimer settle_;
  QTimer busyNote_;
};

}  // namespace window
