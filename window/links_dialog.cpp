// The next-page and detail dialog.
#include "window/links_dialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>

#include <limits>

#include "window/control_widgets.h"
#include "window/qt_text.h"

namespace window {
namespace {

constexpr int kMostNextPages = 100000;

QLineEdit* TextBox(QWidget* parent, const runtime::Text& text, const QString& name) {
  auto* box = new QLineEdit(parent);
  box->setMaxLength(std::numeric_limits<int>::max());
  SetEditBoxText(box, text);
  box->setObjectName(name);
  box->setMinimumWidth(360);
  return box;
}

}  // namespace

LinksDialog::LinksDialog(QWidget* parent, const collect::NextPageSettings& next, const collect::DetailSettings& detail,
                         const std::vector<runtime::Text>& columns, Tester tester)
    : QDialog(parent), tester_(std::move(tester)) {
  setWindowTitle(QStringLiteral("翻页与详细页"));
  setObjectName(QStringLiteral("翻页与详细页"));
  nextRule_ = TextBox(this, next.rule, QStringLiteral("翻页规则"));
  nextRule_->setToolTip(QStringLiteral("第一个 [var] 是下一页的网址，例如 <a href=\"[var]\">下一页</a>；留空则不翻页"));
  maxNext_ = new QSpinBox(this);
  maxNext_->setRange(0, kMostNextPages);
  maxNext_->setValue(next.maxNext);
  maxNext_->setToolTip(QStringLiteral("从每个列表网址起最多跟随的下一页数"));
  wholePage_ = new QCheckBox(QStringLiteral("在整个页面中查找（不限于列表区域）"), this);
  wholePage_->setChecked(next.scope == collect::NextPageScope::WholePage);
  detailColumn_ = new QComboBox(this);
  detailColumn_->setObjectName(QStringLiteral("详细页链接列"));
  detailColumn_->setEditable(true);
  for (const runtime::Text& caption : columns) detailColumn_->addItem(ToQString(caption));
  detailColumn_->setEditText(ToQString(detail.column));
  detailColumn_->setToolTip(QStringLiteral("存放详细页链接的列：列名，或列号（文本 k 的 k）；留空则不采集详细页"));
  detailBefore_ = TextBox(this, detail.before, QStringLiteral("详细页采集前"));
  detailAfter_ = TextBox(this, detail.after, QStringLiteral("详细页采集后"));
  detailRule_ = TextBox(this, detail.rule, QStringLiteral("详细页匹配规则"));
  detailRule_->setToolTip(QStringLiteral("第一个匹配的各个 [var]、[int] 添加到纪录之后；[var:名称] 为列命名"));
  test_ = new QPushButton(QStringLiteral("测试"), this);
  test_->setObjectName(QStringLiteral("测试翻页与详细页"));
  test_->setAutoDefault(false);
  result_ = new QPlainTextEdit(this);
  result_->setObjectName(QStringLiteral("测试结果"));
  result_->setReadOnly(true);
  result_->setPlaceholderText(QStringLiteral("在“测试配置”取得的测试页上试用以上设置"));
  result_->setMinimumHeight(110);

  auto* form = new QFormLayout(this);
  form->addRow(QStringLiteral("翻页规则"), nextRule_);
  form->addRow(QStringLiteral("最多翻页数"), maxNext_);
  form->addRow(QString(), wholePage_);
  form->addRow(QStringLiteral("详细页链接列"), detailColumn_);
  form->addRow(QStringLiteral("详细页区域（前）"), detailBefore_);
  form->addRow(QStringLiteral("详细页区域（后）"), detailAfter_);
  form->addRow(QStringLiteral("详细页匹配规则"), detailRule_);
  form->addRow(test_, result_);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  connect(buttons, &QDialogButtonBox::accepted, this, [this] {
    if (!testing_) accept();
  });
  connect(buttons, &QDialogButtonBox::rejected, this, &LinksDialog::reject);
  form->addRow(buttons);
  connect(test_, &QPushButton::clicked, this, &LinksDialog::Test);
}

collect::NextPageSettings LinksDialog::ChosenNext() const {
  return {EditBoxText(nextRule_), maxNext_->value(),
          wholePage_->isChecked() ? collect::NextPageScope::WholePage : collect::NextPageScope::PageText};
}

collect::DetailSettings LinksDialog::ChosenDetail() const {
  return {EditBoxText(detailColumn_), EditBoxText(detailBefore_), EditBoxText(detailAfter_), EditBoxText(detailRule_)};
}

void LinksDialog::reject() {
  if (testing_) {
    stop_ = true;
    return;
  }
  QDialog::reject();
}

void LinksDialog::Test() {
  if (testing_) return;
  testing_ = true;
  stop_ = false;
  test_->setEnabled(false);
  result_->setPlainText(QStringLiteral("测试中，请稍候.."));
  const std::optional<LinkTestResults> results = tester_(ChosenNext(), ChosenDetail(), stop_);
  result_->setPlainText(results ? LinkTestReport(*results)
                                : QStringLiteral("还没有测试页：请先点击“测试配置”下载第一个列表网址。"));
  test_->setEnabled(true);
  testing_ = false;
}

QString LinkTestReport(const LinkTestResults& results) {
  QString report = QStringLiteral("下一页：") +
                   ToQString(results.next.problem.empty() ? results.next.address : results.next.problem) + "\n";
  const collect::DetailPageTest& detail = results.detail;
  report += QStringLiteral("详细页：") + ToQString(detail.address.empty() ? detail.problem : detail.address);
  if (!detail.address.empty() && !detail.problem.empty()) report += "\n  " + ToQString(detail.problem);
  for (std::size_t i = 0; i < detail.cells.size() && i < detail.captions.size(); ++i) {
    report += "\n  " + ToQString(detail.captions[i]) + QStringLiteral("：") + ToQString(detail.cells[i]);
  }
  return report;
}

}  // namespace window
