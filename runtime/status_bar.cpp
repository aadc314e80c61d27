// Status bar parts and their texts.
#include "runtime/status_bar.h"

namespace runtime {

Text StatusBarData::PartText(int part) const {
  if (part < 0 || part >= PartCount()) {
    return Text();
  }
  return parts_[part].text;
}

bool StatusBarData::SetPartText(int part, std::optional<Text> text) {
  if (part < 0 || part >= PartCount()) {
    return false;
  }
  parts_[part].text = text.value_or(Text());
  if (listener_) {
    listener_(part);
  }
  return true;
}

}  // namespace runtime
