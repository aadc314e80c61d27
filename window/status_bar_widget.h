// The status bar widget: parts of fixed widths, the last reaching to the right edge, each
// showing its text.
#pragma once

#include <QWidget>
#include <vector>

#include "runtime/text.h"

namespace window {

struct StatusBarPart {
  int width = 0;  // pixels; -1 reaches to the right edge
  runtime::Text text;
};

class StatusBarWidget final : public QWidget {
  Q_OBJECT

public:
  StatusBarWidget(std::vector<StatusBarPart> parts, QWidget* parent);

  int PartCount() const { return static_cast<int>(parts_.size()); }
  // The text of a part; empty for a part that does not exist.
  runtime::Text PartText(int part) const;
  // Replaces the text of a part and repaints; nothing happens for a part outside the bar.
  void SetPartText(int part, const runtime::Text& text);
  // The area of a part in widget coordinates; empty for a part outside the bar.
  QRect PartRect(int part) const;

protected:
  void paintEvent(QPaintEvent* event) override;

private:
  std::vector<StatusBarPart> parts_;
};

}  // namespace window
