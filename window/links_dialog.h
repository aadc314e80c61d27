// The small dialog of the 工具箱 menu that sets how a run goes beyond its list pages: the
// next-page rule and its limit, and the detail stage (the link's column, the detail page's
// markers and rule), with a button that tries them on the page of the last configuration test.
#pragma once

#include <QDialog>
#include <atomic>
#include <functional>
#include <optional>
#include <vector>

#include "collect/collection_settings.h"
#include "collect/link_test.h"
#include "runtime/text.h"

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QSpinBox;

namespace window {

// What the test button found: where the next-page link leads and what the first record's detail
// page gives.
struct LinkTestResults {
  collect::NextPageTest next;
  collect::DetailPageTest detail;
};

class LinksDialog final : public QDialog {
  Q_OBJECT

public:
  // Tries the settings as the boxes hold them on the tested page; nothing when no page was tested.
  // It may download; it gives up when stop becomes true.
  using Tester = std::function<std::optional<LinkTestResults>(const collect::NextPageSettings&,
                                                              const collect::DetailSettings&,
                                                              const std::atomic<bool>& stop)>;

  // columns: the captions of the columns the match rule fills, offered for the link's column.
  LinksDialog(QWidget* parent, const collect::NextPageSettings& next, const collect::DetailSettings& detail,
              const std::vector<runtime::Text>& columns, Tester tester);

  // The settings as the boxes hold them.
  collect::NextPageSettings ChosenNext() const;
  collect::DetailSettings ChosenDetail() const;

  QLineEdit* NextRuleBox() const { return nextRule_; }
  QComboBox* DetailColumnBox() const { return detailColumn_; }
  QLineEdit* DetailRuleBox() const { return detailRule_; }
  QPushButton* TestButton() const { return test_; }
  QPlainTextEdit* TestResultBox() const { return result_; }

  // While a test downloads, closing the dialog stops the download first.
  void reject() override;

private:
  void Test();

  QLineEdit* nextRule_;
  QSpinBox* maxNext_;
  QCheckBox* wholePage_;
  QComboBox* detailColumn_;
  QLineEdit* detailBefore_;
  QLineEdit* detailAfter_;
  QLineEdit* detailRule_;
  QPushButton* test_;
  QPlainTextEdit* result_;
  Tester tester_;
  bool testing_ = false;
  std::atomic<bool> stop_{false};
};

// The test button's report: "下一页：" with the address or the reason, then "详细页：" with the
// address and one line per cell ("  作者：甲"), or the reason.
QString LinkTestReport(const LinkTestResults& results);

}  // namespace window
