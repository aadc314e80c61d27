// Whether a run follows links beyond its list pages.
#include "collect/collection_settings.h"

namespace collect {

bool FollowsNextPages(const NextPageSettings& next) {
  return !next.rule.empty() && next.rule.front() != '\0' && next.maxNext > 0;
}

bool FetchesDetailPages(const DetailSettings& detail) {
  return !detail.column.empty() || (!detail.rule.empty() && detail.rule.front() != '\0');
}

}  // namespace collect
