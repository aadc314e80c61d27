// Checked element access of the text array.
#include "runtime/text.h"

#include "runtime/runtime_error.h"

namespace runtime {
namespace {

constexpr int kIndexAboveCount = 1;
constexpr int kIndexBelowOne = 4;

void CheckIndex(int index, int count) {
  if (index < 1) RaiseRuntimeError(kIndexBelowOne);
  if (index > count) RaiseRuntimeError(kIndexAboveCount);
}

}  // namespace

const Text& TextArray::At(int index) const {
  CheckIndex(index, Count());
  return items_[static_cast<size_t>(index - 1)];
}

Text& TextArray::At(int index) {
  CheckIndex(index, Count());
  return items_[static_cast<size_t>(index - 1)];
}

}  // namespace runtime
