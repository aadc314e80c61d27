// The address generator's series of numbers.
#include "collect/toolbox.h"

#include <cmath>

#include "runtime/code_page.h"
#include "runtime/text_operations.h"

namespace collect {

AddressSeries PlanAddressSeries(int first, int last, int step) {
  AddressSeries series;
  if (first > last) return series;
  if (step <= 0) {
    series.refusal = runtime::T("步长必须大于0，否则永远到不了结束值。");
    return series;
  }
  long long count = (static_cast<long long>(last) - first) / step + 1;
  if (count > kMaxGeneratedAddresses) {
    series.refusal = runtime::T("一次最多生成") + runtime::ToText(static_cast<std::int64_t>(kMaxGeneratedAddresses)) +
                     runtime::T("条网址，这一组有") + runtime::ToText(static_cast<std::int64_t>(count)) +
                     runtime::T("条，请缩小范围或加大步长。");
    return series;
  }
  // The loop of the number boxes, in double precision as typed numbers are, each step truncated
  // toward zero; kept in 64 bits so a series ending near the largest integer does not wrap.
  for (double n = first; n - (static_cast<double>(last) + 1) < -0.0000001; n = std::trunc(n + step)) {
    series.numbers.push_back(static_cast<long long>(n));
  }
  return series;
}

}  // namespace collect
