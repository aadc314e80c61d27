// A Qt table model over the data of a report list. Cells stay code-page texts; a cell becomes a
// QString only when a view asks for it. Rows appended at the end are announced to the views in
// batches, once control returns to the event loop, so that appending stays cheap.
#pragma once

#include <QAbstractTableModel>

#include "runtime/report_list.h"

namespace app {

class ReportListModel final : public QAbstractTableModel, private runtime::ReportListObserver {
  Q_OBJECT

public:
  explicit ReportListModel(QObject* parent = nullptr);
  ~ReportListModel() override;

  runtime::ReportList& List() { return list_; }
  const runtime::ReportList& List() const { return list_; }

  // Announces the rows and cell changes not yet announced.
  void Flush();

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  int columnCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;

private:
  void BeforeRowInserted(int row) override;
  void AfterRowInserted(int row) override;
  void CellChanged(int row, int column) override;
  void BeforeColumnInserted(int column) override;
  void AfterColumnInserted(int column) override;
  void BeforeReset() override;
  void AfterReset() override;
  void SetAnnouncedRows(int rows);
  void ScheduleFlush();
  Qt::Alignment AlignmentOf(int column) const;

  runtime::ReportList list_;
  int announcedRows_ = 0;
  int dirtyFirst_ = -1;
  int dirtyLast_ = -1;
  bool insertingInside_ = false;
  bool flushScheduled_ = false;
};

}  // namespace app
