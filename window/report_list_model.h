// A Qt table model over the result table. Cells stay code-page texts; a cell becomes a QString only
// when a view asks for it. Rows arrive in batches (a page's rows at a time) and are announced to
// the views once control returns to the event loop, so that adding a million rows stays cheap.
#pragma once

#include <QAbstractTableModel>
#include <vector>

#include "collect/result_table.h"

namespace window {

class ReportListModel final : public QAbstractTableModel {
  Q_OBJECT

public:
  explicit ReportListModel(QObject* parent = nullptr);

  const collect::ResultTable& Table() const { return table_; }

  // Appends columns, announced at once (after the rows not yet announced).
  void AddColumns(const std::vector<runtime::Text>& captions);
  // The same for the columns of detail pages' cells (collect::ResultTable::AddDetailColumns).
  void AddDetailColumns(const std::vector<runtime::Text>& captions);
  // Appends rows; the views hear of them when control returns to the event loop, or on Flush.
  void AddRows(const std::vector<collect::Record>& rows);
  void AddRows(const collect::RecordList& rows);
  // Removes every row and every column.
  void Clear();
  // The whole table in place of the one shown, announced at once.
  void ShowTable(collect::ResultTable table);
  // Announces the rows not yet announced.
  void Flush();

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  int columnCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;

private:
  void InsertColumns(const std::vector<runtime::Text>& captions, bool detail);
  void ScheduleFlush();

  collect::ResultTable table_;
  int announcedRows_ = 0;
  bool flushScheduled_ = false;
};

}  // namespace window
