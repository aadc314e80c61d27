// Batched announcement of result rows to Qt views.
#include "window/report_list_model.h"

#include "window/qt_text.h"

namespace window {

ReportListModel::ReportListModel(QObject* parent) : QAbstractTableModel(parent) {}

void ReportListModel::AddColumns(const std::vector<runtime::Text>& captions) { InsertColumns(captions, false); }

void ReportListModel::AddDetailColumns(const std::vector<runtime::Text>& captions) { InsertColumns(captions, true); }

void ReportListModel::InsertColumns(const std::vector<runtime::Text>& captions, bool detail) {
  if (captions.empty()) return;
  Flush();
  const int first = table_.ColumnCount();
  beginInsertColumns(QModelIndex(), first, first + static_cast<int>(captions.size()) - 1);
  if (detail) {
    table_.AddDetailColumns(captions);
  } else {
    table_.AddColumns(captions);
  }
  endInsertColumns();
}

void ReportListModel::AddRows(const std::vector<collect::Record>& rows) {
  table_.AddRows(rows);
  ScheduleFlush();
}

void ReportListModel::AddRows(const collect::RecordList& rows) {
  table_.AddRows(rows);
  ScheduleFlush();
}

void ReportListModel::Clear() {
  beginResetModel();
  table_.Clear();
  announcedRows_ = 0;
  endResetModel();
}

void ReportListModel::ShowTable(collect::ResultTable table) {
  beginResetModel();
  table_ = std::move(table);
  announcedRows_ = table_.RowCount();
  endResetModel();
}

void ReportListModel::Flush() {
  flushScheduled_ = false;
  const int count = table_.RowCount();
  if (announcedRows_ < count) {
    beginInsertRows(QModelIndex(), announcedRows_, count - 1);
    announcedRows_ = count;
    endInsertRows();
  }
}

int ReportListModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : announcedRows_;
}

int ReportListModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : table_.ColumnCount();
}

QVariant ReportListModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid()) return {};
  if (role == Qt::DisplayRole) return ToQString(table_.Cell(index.row(), index.column()));
  if (role == Qt::TextAlignmentRole) return static_cast<int>(Qt::AlignLeft | Qt::AlignVCenter);
  return {};
}

QVariant ReportListModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || section < 0 || section >= table_.ColumnCount()) return {};
  if (role == Qt::DisplayRole) return ToQString(table_.Captions()[static_cast<std::size_t>(section)]);
  if (role == Qt::TextAlignmentRole) return static_cast<int>(Qt::AlignLeft | Qt::AlignVCenter);
  return {};
}

Qt::ItemFlags ReportListModel::flags(const QModelIndex& index) const {
  return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable : Qt::NoItemFlags;
}

void ReportListModel::ScheduleFlush() {
  if (flushScheduled_) return;
  flushScheduled_ = true;
  QMetaObject::invokeMethod(
      this,
      [this] {
        if (flushScheduled_) Flush();
      },
      Qt::QueuedConnection);
}

}  // namespace window
