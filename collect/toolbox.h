// The address generator's series of numbers.
#pragma once

#include <optional>
#include <vector>

#include "runtime/text.h"

namespace collect {

// The most lines one series of addresses may have.
inline constexpr long long kMaxGeneratedAddresses = 100000;

// The numbers of the series, or nothing with the reason when it is refused.
struct AddressSeries {
  std::vector<long long> numbers;
  runtime::Text refusal;  // empty when accepted
};
AddressSeries PlanAddressSeries(int first, int last, int step);

}  // namespace collect
