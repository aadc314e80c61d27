// The data of a status bar: its parts, each with a width and a text.
#pragma once

#include <functional>
#include <optional>
#include <vector>

#include "runtime/text.h"

namespace runtime {

struct StatusBarPart {
  int width = 0;  // pixels; -1 reaches to the right edge
  Text text;
};

class StatusBarData {
public:
  StatusBarData() = default;
  explicit StatusBarData(std::vector<StatusBarPart> parts) : parts_(std::move(parts)) {}

  int PartCount() const { return static_cast<int>(parts_.size()); }
  const std::vector<StatusBarPart>& Parts() const { return parts_; }
  // The text of a part; empty for a part that does not exist.
  Text PartText(int part) const;
  // Replaces the text of a part (empty when absent) and tells the listener. Returns false, and
  // changes nothing, for a part index outside the bar.
  bool SetPartText(int part, std::optional<Text> text);

  // Called with the part index after each change of a part's text.
  void SetListener(std::function<void(int part)> listener) { listener_ = std::move(listener); }

private:
  std::vector<StatusBarPart> parts_;
  std::function<void(int part)> listener_;
};

}  // namespace runtime
