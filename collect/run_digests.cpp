// Run and record digests over the fields packed with their lengths, so that no two different
// sets of fields give the same bytes.
#include "collect/run_digests.h"

#include <openssl/evp.h>

#include "collect/packed_cells.h"
#include "runtime/text_operations.h"

namespace collect {
namespace {

constexpr std::size_t kDigestBytes = 16;

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
  return fields;
}

}  // namespace

RunDigests DigestsOf(const CollectionSettings& settings, const StoreChoice& choice) {
  RunDigests digests;
  digests.project = Digest(PackCells(ProjectFields(settings, choice)));
  std::vector<runtime::Text> fields = {"settings", digests.project, settings.cookie, Number(settings.maxPageBytes),
                                       Number(choice.onlyNew ? 1 : 0), Number(static_cast<long long>(settings.addresses.size()))};
  fields.insert(fields.end(), settings.addresses.begin(), settings.addresses.end());
  digests.settings = Digest(PackCells(fields));
  return digests;
}

std::string RecordDigest(const Record& record, const std::vector<int>& recordColumns) {
  std::vector<runtime::Text> cells;
  if (recordColumns.empty()) {
    // A rule without groups has only the whole match to tell its records apart.
    const std::size_t first = record.cells.size() > 2 ? 1 : 0;
    if (record.cells.size() > first + 1) cells.assign(record.cells.begin() + static_cast<std::ptrdiff_t>(first), record.cells.end() - 1);
  } else {
    for (int column : recordColumns) {
      const bool held = column >= 1 && static_cast<std::size_t>(column) <= record.cells.size();
      cells.push_back(held ? record.cells[static_cast<std::size_t>(column) - 1] : runtime::Text());
    }
  }
  return Digest(PackCells(cells));
}

}  // namespace collect
