// Batched announcement of report-list changes to Qt views.
#include "app/report_list_model.h"

#include <algorithm>

#include "app/qt_text.h"

namespace app {

ReportListModel::ReportListModel(QObject* parent) : QAbstractTableModel(parent) {
  list_.SetObserver(this);
  list_.SetUnobservedFrom(0);
}

ReportListModel::~ReportListModel() { list_.SetObserver(nullptr); }

void ReportListModel::Flush() {
  flushScheduled_ = false;
  const int count = list_.ItemCount();
  if (announcedRows_ < count) {
    beginInsertRows(QModelIndex(), announcedRows_, count - 1);
    SetAnnouncedRows(count);
    endInsertRows();
  }
  if (dirtyFirst_ >= 0) {
    const int last = std::min(dirtyLast_, announcedRows_ - 1);
    if (last >= dirtyFirst_ && list_.ColumnCount() > 0) {
      emit dataChanged(index(dirtyFirst_, 0), index(last, list_.ColumnCount() - 1),
                       {Qt::DisplayRole});
    }
    dirtyFirst_ = dirtyLast_ = -1;
  }
}

int ReportListModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : announcedRows_;
}

int ReportListModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : list_.ColumnCount();
}

QVariant ReportListModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid()) {
    return {};
  }
  if (role == Qt::DisplayRole) {
    return ToQString(list_.CellView(index.row(), index.column()));
  }
  if (role == Qt::TextAlignmentRole) {
    return static_cast<int>(AlignmentOf(index.column()) | Qt::AlignVCenter);
  }
  return {};
}

QVariant ReportListModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || section < 0 || section >= list_.ColumnCount()) {
    return {};
  }
  if (role == Qt::DisplayRole) {
    return ToQString(list_.Column(section).caption);
  }
  if (role == Qt::TextAlignmentRole) {
    return static_cast<int>(AlignmentOf(section) | Qt::AlignVCenter);
  }
  return {};
}

Qt::ItemFlags ReportListModel::flags(const QModelIndex& index) const {
  return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable : Qt::NoItemFlags;
}

void ReportListModel::BeforeRowInserted(int row) {
  insertingInside_ = row < announcedRows_;
  if (insertingInside_) {
    Flush();
    beginInsertRows(QModelIndex(), row, row);
  }
}

void ReportListModel::AfterRowInserted(int) {
  if (insertingInside_) {
    SetAnnouncedRows(announcedRows_ + 1);
    endInsertRows();
    insertingInside_ = false;
  } else {
    ScheduleFlush();
  }
}

void ReportListModel::CellChanged(int row, int) {
  if (row >= announcedRows_) {
    return;
  }
  dirtyFirst_ = dirtyFirst_ < 0 ? row : std::min(dirtyFirst_, row);
  dirtyLast_ = std::max(dirtyLast_, row);
  ScheduleFlush();
}

void ReportListModel::BeforeColumnInserted(int column) {
  Flush();
  beginInsertColumns(QModelIndex(), column, column);
}

void ReportListModel::AfterColumnInserted(int) { endInsertColumns(); }

void ReportListModel::BeforeReset() { beginResetModel(); }

void ReportListModel::AfterReset() {
  SetAnnouncedRows(list_.ItemCount());
  dirtyFirst_ = dirtyLast_ = -1;
  endResetModel();
}

void ReportListModel::SetAnnouncedRows(int rows) {
  announcedRows_ = rows;
  list_.SetUnobservedFrom(rows);
}

void ReportListModel::ScheduleFlush() {
  if (flushScheduled_) {
    return;
  }
  flushScheduled_ = true;
  QMetaObject::invokeMethod(
      this,
      [this] {
        if (flushScheduled_) Flush();
      },
      Qt::QueuedConnection);
}

Qt::Alignment ReportListModel::AlignmentOf(int column) const {
  if (column < 0 || column >= list_.ColumnCount()) {
    return Qt::AlignLeft;
  }
  switch (list_.Column(column).alignment) {
    case 1: return Qt::AlignHCenter;
    case 2: return Qt::AlignRight;
    default: return Qt::AlignLeft;
  }
}

}  // namespace app
