// Run and record digests over the fields packed with their lengths, so that no two different
// sets of fields give the same bytes.
#include "collect/run_digests.h"

// The low-level SHA-256 needs no provider: fetching it through EVP loads OpenSSL's configuration
// and providers, a millisecond of every run's start, and costs twice the time a record.
#define OPENSSL_SUPPRESS_DEPRECATED
#include <openssl/sha.h>

#include "collect/packed_cells.h"
#include "runtime/text_operations.h"

namespace collect {
namespace {

std::string Digest(const std::string& bytes) {
  unsigned char digest[SHA256_DIGEST_LENGTH] = {};
  // Not the one-shot SHA256(), which fetches through EVP at every call.
  SHA256_CTX context;
  SHA256_Init(&context);
  SHA256_Update(&context, bytes.data(), bytes.size());
  SHA256_Final(digest, &context);
  return std::string(reinterpret_cast<const char*>(digest), kDigestBytes);
}

runtime::Text Number(long long number) { return runtime::ToText(static_cast<std::int64_t>(number)); }

std::vector<runtime::Text> ProjectFields(const CollectionSettings& settings, const StoreChoice& choice) {
  std::vector<runtime::Text> fields = {"project", settings.rule, settings.before, settings.after,
                                       Number(static_cast<int>(settings.encoding))};
  // A rule read as written finds other records than the same rule read as a pattern; runs of a
  // pattern keep the digests they had before the choice existed.
  if (settings.ruleSyntax == RuleSyntax::Literal) fields.push_back("literal rule");
  for (int column : choice.recordColumns) fields.push_back(Number(column));
  // After a word no record column is, so that no project without a detail stage has these fields.
  if (FetchesDetailPages(settings.detail)) {
    const DetailSettings& detail = settings.detail;
    fields.insert(fields.end(), {"detail", detail.column, detail.before, detail.after, detail.rule});
  }
  return fields;
}

}  // namespace

RunDigests DigestsOf(const CollectionSettings& settings, const StoreChoice& choice) {
  RunDigests digests;
  digests.project = Digest(PackCells(ProjectFields(settings, choice)));
  std::vector<runtime::Text> fields = {"settings", digests.project, settings.cookie, Number(settings.maxPageBytes),
                                       Number(choice.onlyNew ? 1 : 0), Number(static_cast<long long>(settings.addresses.size()))};
  fields.insert(fields.end(), settings.addresses.begin(), settings.addresses.end());
  // After the addresses, whose count comes before them.
  if (FollowsNextPages(settings.next)) {
    const NextPageSettings& next = settings.next;
    fields.insert(fields.end(), {"next", next.rule, Number(next.maxNext), Number(static_cast<int>(next.scope))});
  }
  digests.settings = Digest(PackCells(fields));
  return digests;
}

std::string RecordDigest(const RecordList& records, std::size_t record, const RecordKey& key) {
  // The cells packed as PackCells packs them, into bytes the thread keeps: a record then costs no
  // allocation but its digest's.
  thread_local std::string packed;
  packed.clear();
  const auto append = [](std::string_view cell) { AppendPackedCell(packed, cell); };
  const auto cellCount = static_cast<std::size_t>(records.CellCount(record));
  if (key.columns.empty()) {
    // The whole match counts only for a rule without groups: it is then the list's only cell.
    const auto address = static_cast<std::size_t>(key.addressColumn);
    for (std::size_t column = address > 1 ? 1 : 0; column < cellCount; ++column) {
      if (column != address) append(records.Cell(record, static_cast<int>(column)));
    }
  } else {
    // A column the record lacks (or before the first) reads empty.
    for (int column : key.columns) append(records.Cell(record, column - 1));
  }
  return Digest(packed);
}

}  // namespace collect
