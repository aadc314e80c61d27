// Run and record digests over the fields packed with their lengths, so that no two different
// sets of fields give the same bytes.
#include "collect/run_digests.h"

#include <openssl/evp.h>

#include "collect/packed_cells.h"
#include "runtime/text_operations.h"

namespace collect {
namespace {

// A digest context of the thread, made once: fetching the algorithm and making a context for every
// record would cost more than the digest itself.
struct DigestContext {
  DigestContext() : sha256(EVP_MD_fetch(nullptr, "SHA256", nullptr)), context(EVP_MD_CTX_new()) {}
  ~DigestContext() {
    EVP_MD_CTX_free(context);
    EVP_MD_free(sha256);
  }
  EVP_MD* sha256;
  EVP_MD_CTX* context;
};

std::string Digest(const std::string& bytes) {
  thread_local DigestContext digests;
  unsigned char digest[EVP_MAX_MD_SIZE] = {};
  unsigned int size = 0;
  // Without a fetched algorithm, the built-in one is fetched at each use: slower, the same digest.
  EVP_DigestInit_ex2(digests.context, digests.sha256 != nullptr ? digests.sha256 : EVP_sha256(), nullptr);
  EVP_DigestUpdate(digests.context, bytes.data(), bytes.size());
  EVP_DigestFinal_ex(digests.context, digest, &size);
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
