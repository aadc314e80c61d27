// Joining byte sets.
#include "web/byte_sets.h"

namespace web {

runtime::ByteSet ConcatByteSets(std::initializer_list<std::string_view> parts) {
  size_t total = 0;
  for (std::string_view part : parts) total += part.size();
  runtime::ByteSet result;
  result.reserve(total);
  for (std::string_view part : parts) result.append(part);
  return result;
}

}  // namespace web
