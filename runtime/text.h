// The program's value types: texts and byte sets in the program's code page, and 1-based text arrays.
#pragma once

#include <string>
#include <vector>

namespace runtime {

// Whether a search tells ASCII letters of different case apart ("A" and "a").
enum class Case { Sensitive, Insensitive };

// Bytes in the program's code page (GB18030, a superset of GBK). Lengths and positions are bytes.
using Text = std::string;

// A counted sequence of bytes that may hold zero bytes, as pages arrive from the network.
using ByteSet = std::string;

// A one-dimensional text array addressed from 1; an index outside 1..Count() is a runtime error.
class TextArray {
public:
  TextArray() = default;
  explicit TextArray(std::vector<Text> items) : items_(std::move(items)) {}

  int Count() const { return static_cast<int>(items_.size()); }
  // Element `index` (1-based): below 1 raises runtime error 4, above Count() runtime error 1.
  const Text& At(int index) const;
  Text& At(int index);
  void Append(Text item) { items_.push_back(std::move(item)); }

  const std::vector<Text>& Items() const { return items_; }
  std::vector<Text>& Items() { return items_; }

private:
  std::vector<Text> items_;
};

}  // namespace runtime
