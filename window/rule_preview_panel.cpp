// The rule preview under the rule box.
#include "window/rule_preview_panel.h"

#include <QEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QTableWidget>
#include <QVBoxLayout>

#include "window/main_window_session.h"
#include "window/qt_text.h"
#include "window/rule_preview_jobs.h"

namespace window {

namespace {

// A rule still at work after this long says so, instead of leaving the last answer standing.
constexpr int kBusyNoteMs = 300;
constexpr int kRowHeight = 20;
constexpr int kMargin = 3;
const QColor kProblemColour(176, 0, 0);

QTableWidget* CreateRecordTable(QWidget* parent) {
  auto* table = new QTableWidget(parent);
  table->setObjectName(QStringLiteral("rulePreviewRecords"));
  table->setFocusPolicy(Qt::NoFocus);
  table->setEditTriggers(QAbstractItemView::NoEditTriggers);
  table->setSelectionMode(QAbstractItemView::NoSelection);
  table->setWordWrap(false);
  table->setTextElideMode(Qt::ElideRight);
  table->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  table->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  table->verticalHeader()->hide();
  table->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  table->verticalHeader()->setDefaultSectionSize(kRowHeight);
  table->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
  table->horizontalHeader()->setMinimumSectionSize(24);
  return table;
}

}  // namespace

RulePreviewPanel::RulePreviewPanel(QLineEdit* ruleBox, const MainWindowSession& session,
                                   QWidget* window)
    : QFrame(window),
      ruleBox_(ruleBox),
      session_(session),
      headline_(new QLabel(this)),
      records_(CreateRecordTable(this)),
      jobs_(new RulePreviewJobs(this, [this](const collect::RulePreview& preview) { WriteAnswer(preview); })) {
  setObjectName(QStringLiteral("rulePreview"));
  setFrameStyle(QFrame::Box | QFrame::Plain);
  setFocusPolicy(Qt::NoFocus);
  QPalette look = palette();
  look.setColor(QPalette::Window, look.color(QPalette::ToolTipBase));
  look.setColor(QPalette::WindowText, look.color(QPalette::ToolTipText));
  setPalette(look);
  setAutoFillBackground(true);
  headline_->setObjectName(QStringLiteral("rulePreviewHeadline"));
  headline_->setTextFormat(Qt::PlainText);
  // The engine's reason for a broken rule can be long: it wraps rather than being cut off.
  headline_->setWordWrap(true);
  auto* column = new QVBoxLayout(this);
  column->setContentsMargins(kMargin, kMargin, kMargin, kMargin);
  column->setSpacing(kMargin);
  column->addWidget(headline_);
  column->addWidget(records_);
  hide();

  settle_.setSingleShot(true);
  settle_.setInterval(kSettleMs);
  busyNote_.setSingleShot(true);
  busyNote_.setInterval(kBusyNoteMs);
  connect(&settle_, &QTimer::timeout, this, &RulePreviewPanel::AskPreview);
  connect(&busyNote_, &QTimer::timeout, this, &RulePreviewPanel::ShowBusy);
  connect(ruleBox_, &QLineEdit::textChanged, this, [this] {
    if (session_.testedPage) settle_.start();
  });
  ruleBox_->installEventFilter(this);
}

bool RulePreviewPanel::eventFilter(QObject* watched, QEvent* event) {
  if (watched == ruleBox_) {
    switch (event->type()) {
      case QEvent::FocusOut:
        hide();
        break;
      case QEvent::KeyPress:
        if (isVisible() && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
          hide();
          return true;
        }
        break;
      case QEvent::Move:
      case QEvent::Resize:
        if (isVisible()) Place();
        break;
      default:
        break;
    }
  }
  return QFrame::eventFilter(watched, event);
}

void RulePreviewPanel::SetRuleSyntax(collect::RuleSyntax syntax) {
  syntax_ = syntax;
  if (session_.testedPage) settle_.start();
}

void RulePreviewPanel::AskPreview() {
  std::shared_ptr<const TestedPage> page = session_.testedPage;
  if (!page) return;
  jobs_->Ask({std::move(page), FromQString(ruleBox_->text()), syntax_});
  busyNote_.start();
}

void RulePreviewPanel::ShowBusy() {
  if (!jobs_->Busy()) return;
  headline_->setText(QStringLiteral("匹配中.."));
}

void RulePreviewPanel::WriteAnswer(const collect::RulePreview& preview) {
  busyNote_.stop();
  QPalette look = headline_->palette();
  look.setColor(QPalette::WindowText,
                preview.problem.empty() ? palette().color(QPalette::WindowText) : kProblemColour);
  headline_->setPalette(look);
  headline_->setText(ToQString(collect::PreviewHeadline(preview)));
  records_->clear();
  records_->setColumnCount(static_cast<int>(preview.captions.size()));
  records_->setRowCount(static_cast<int>(preview.records.size()));
  QStringList captions;
  for (const runtime::Text& caption : preview.captions) captions << ToQString(caption);
  records_->setHorizontalHeaderLabels(captions);
  for (int row = 0; row < records_->rowCount(); ++row) {
    const std::vector<runtime::Text>& cells = preview.records[static_cast<std::size_t>(row)].cells;
    for (int column = 0; column < static_cast<int>(cells.size()); ++column) {
      const QString cell = ToQString(cells[static_cast<std::size_t>(column)]);
      auto* item = new QTableWidgetItem(cell);
      item->setToolTip(cell);
      records_->setItem(row, column, item);
    }
  }
  records_->setVisible(!preview.records.empty());
  if (ruleBox_->hasFocus()) {
    Place();
    show();
    raise();
  }
  emit AnswerWritten();
}

void RulePreviewPanel::Place() {
  const int tableHeight = records_->horizontalHeader()->sizeHint().height() +
                          records_->verticalHeader()->length() + 2 * records_->frameWidth();
  records_->setFixedHeight(tableHeight);
  const int inside = 2 * (kMargin + frameWidth());
  int height = inside + headline_->heightForWidth(ruleBox_->width() - inside);
  if (!records_->isHidden()) height += kMargin + tableHeight;
  const QPoint corner = ruleBox_->mapTo(parentWidget(), QPoint(0, ruleBox_->height()));
  setGeometry(corner.x(), corner.y() + 1, ruleBox_->width(), height);
}

}  // namespace window
