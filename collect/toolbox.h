// The small commands: the separator choice and the address generator.
#pragma once

#include <optional>
#include <vector>

#include "runtime/text.h"

namespace collect {

// Item handler of "组合框1": "　表格" empties the separator box, "　Tab键" puts one space in it,
// "　----" puts "----"; any other selection leaves it.
void ChooseSeparator();

// Click handler of "生成" in the address generator: one line per number from first to last by
// step, each "*" of the pattern replaced by the number, each line ended by CR LF. Refuses (with a
// message box) a step that never reaches the last number and a series of more than
// kMaxGeneratedAddresses lines.
void GenerateAddresses();

inline constexpr long long kMaxGeneratedAddresses = 100000;

// The numbers of the series, or nothing with the reason when it is refused.
struct AddressSeries {
  std::vector<long long> numbers;
  runtime::Text refusal;  // empty when accepted
};
AddressSeries PlanAddressSeries(int first, int last, int step);

}  // namespace collect
