// The report list widget: a table view in report style (header, whole-row selection, no grid)
// over a ReportListModel, every column kColumnWidth pixels wide at first, the last one taking the
// rest of the width; a double click on a column's header fits it to its contents. Ctrl+A selects
// every row; Ctrl+C copies the selected rows.
#pragma once

#include <QTableView>
#include <functional>

#include "window/report_list_model.h"

namespace window {

// Width of every result column at first.
inline constexpr int kColumnWidth = 80;

class ReportListView final : public QTableView {
  Q_OBJECT

public:
  explicit ReportListView(QWidget* parent = nullptr);

  ReportListModel& Model() { return *model_; }
  const ReportListModel& Model() const { return *model_; }
  const collect::ResultTable& Table() const { return model_->Table(); }
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
  ReportListModel* model_;
  std::function<void()> rightClick_;
};

}  // namespace window
