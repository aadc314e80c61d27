// The report list widget: a table view in report style (header, whole-row selection, no grid)
// over a ReportListModel, with column widths and alignments from the list's columns. Ctrl+A
// selects every row; Ctrl+C copies the selected rows.
#pragma once

#include <QTableView>
#include <functional>

#include "app/report_list_model.h"

namespace app {

class ReportListView final : public QTableView {
  Q_OBJECT

public:
  explicit ReportListView(QWidget* parent = nullptr);

  ReportListModel& Model() { return *model_; }
  const ReportListModel& Model() const { return *model_; }
  runtime::ReportList& List() { return model_->List(); }
  // Called when the item area is clicked with the right mouse button, on a row or not.
  void SetRightClickHandler(std::function<void()> handler) { rightClick_ = std::move(handler); }

  // Shows or hides the list; on showing, every row added meanwhile is announced first.
  void setVisible(bool visible) override;
  // Puts the selected rows on the clipboard in row order, every column, cells separated by a
  // tab and each row ended by a line feed (the line end of text on the Linux clipboard).
  void CopySelectedRows();

protected:
  bool viewportEvent(QEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

private:
  void ApplyColumnWidth(int column);
  void ApplyAllColumnWidths();

  ReportListModel* model_;
  std::function<void()> rightClick_;
};

}  // namespace app
