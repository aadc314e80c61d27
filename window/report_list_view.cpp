// Report-style presentation of the list and its right-click event.
#include "window/report_list_view.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QMouseEvent>
#include <algorithm>
#include <vector>

#include "window/qt_text.h"

namespace window {

ReportListView::ReportListView(QWidget* parent)
    : QTableView(parent), model_(new ReportListModel(this)) {
  setModel(model_);
  setSelectionBehavior(QAbstractItemView::SelectRows);
  setSelectionMode(QAbstractItemView::ExtendedSelection);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  setShowGrid(false);
  setWordWrap(false);
  setCornerButtonEnabled(false);
  setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
  verticalHeader()->setVisible(false);
  verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  verticalHeader()->setMinimumSectionSize(1);
  verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 2);
  horizontalHeader()->setHighlightSections(false);
  horizontalHeader()->setStretchLastSection(true);
  horizontalHeader()->setMinimumSectionSize(0);
  horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  horizontalHeader()->setDefaultSectionSize(kColumnWidth);
  connect(horizontalHeader(), &QHeaderView::sectionDoubleClicked, this, &QTableView::resizeColumnToContents);
}

void ReportListView::setVisible(bool visible) {
  if (visible) {
    model_->Flush();
  }
  QTableView::setVisible(visible);
}

bool ReportListView::viewportEvent(QEvent* event) {
  if (event->type() == QEvent::MouseButtonRelease &&
      static_cast<QMouseEvent*>(event)->button() == Qt::RightButton) {
    const bool handled = QTableView::viewportEvent(event);
    if (rightClick_) {
      rightClick_();
    }
    return handled;
  }
  return QTableView::viewportEvent(event);
}

void ReportListView::CopySelectedRows() {
  std::vector<int> rows;
  for (const QItemSelectionRange& range : selectionModel()->selection()) {
    for (int row = range.top(); row <= range.bottom(); ++row) rows.push_back(row);
  }
  std::ranges::sort(rows);
  const auto [end, last] = std::ranges::unique(rows);
  rows.erase(end, last);
  const collect::ResultTable& table = Table();
  // Joined in the program's code page and converted once: tab and line feed are single bytes
  // that never occur inside a character of it.
  runtime::Text text;
  for (const int row : rows) {
    for (int column = 0; column < table.ColumnCount(); ++column) {
      if (column > 0) text += '\t';
      text += table.Cell(row, column);
    }
    text += '\n';
  }
  QGuiApplication::clipboard()->setText(ToQString(text));
}

void ReportListView::keyPressEvent(QKeyEvent* event) {
  if (event->matches(QKeySequence::Copy)) {
    CopySelectedRows();
    event->accept();
    return;
  }
  QTableView::keyPressEvent(event);
}

}  // namespace window
