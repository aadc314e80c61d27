// Reading the charset a page declares, much as a browser's pre-scan of the page does.
#include "collect/charset_declaration.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include <algorithm>
#include <array>
#include <string>

#include "runtime/code_page.h"

namespace collect {
namespace {

constexpr std::array<std::string_view, 11> kGbkLabels = {
    "gbk",      "gb2312",          "gb_2312",   "gb_2312-80", "gb18030", "chinese",
    "csgb2312", "csiso58gb231280", "iso-ir-58", "x-gbk",      "cp936"};
constexpr std::array<std::string_view, 6> kUtf8Labels = {
    "utf-8", "utf8", "unicode-1-1-utf-8", "unicode11utf8", "unicode20utf8", "x-unicode20utf8"};

bool IsBlank(char byte) {
  return byte == ' ' || byte == '\t' || byte == '\n' || byte == '\r' || byte == '\f';
}

// ASCII letters lowered, as every label and name looked for is ASCII; without the C library's
// locale look-up and sixteen bytes at a time, as each page's first kilobytes pass here.
std::string Lowered(std::string_view text) {
  std::string out(text);
  std::size_t at = 0;
#if defined(__SSE2__)
  const __m128i beforeA = _mm_set1_epi8('A' - 1);
  const __m128i afterZ = _mm_set1_epi8('Z' + 1);
  const __m128i caseBit = _mm_set1_epi8(0x20);
  for (; at + 16 <= out.size(); at += 16) {
    auto* block = reinterpret_cast<__m128i*>(out.data() + at);
    const __m128i bytes = _mm_loadu_si128(block);
    // Signed comparisons: the bytes of 0x80 and above are below 'A'.
    const __m128i upper = _mm_and_si128(_mm_cmpgt_epi8(bytes, beforeA), _mm_cmplt_epi8(bytes, afterZ));
    _mm_storeu_si128(block, _mm_or_si128(bytes, _mm_and_si128(upper, caseBit)));
  }
#endif
  for (; at < out.size(); ++at) {
    char& byte = out[at];
    if (byte >= 'A' && byte <= 'Z') byte = static_cast<char>(byte - 'A' + 'a');
  }
  return out;
}

std::string_view Trimmed(std::string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return text;
}

// The value after "charset=" in a Content-Type value (a header's or a meta element's content),
// quoted or up to the next blank or semicolon.
std::string_view CharsetParameter(std::string_view lowered) {
  size_t at = 0;
  while ((at = lowered.find("charset", at)) != std::string_view::npos) {
    at += 7;
    while (at < lowered.size() && IsBlank(lowered[at])) ++at;
    if (at >= lowered.size() || lowered[at] != '=') continue;
    ++at;
    while (at < lowered.size() && IsBlank(lowered[at])) ++at;
    if (at < lowered.size() && (lowered[at] == '"' || lowered[at] == '\'')) {
      size_t end = lowered.find(lowered[at], at + 1);
      if (end == std::string_view::npos) return {};
      return lowered.substr(at + 1, end - at - 1);
    }
    size_t end = at;
    while (end < lowered.size() && !IsBlank(lowered[end]) && lowered[end] != ';') ++end;
    return lowered.substr(at, end - at);
  }
  return {};
}

struct MetaAttributes {
  std::string_view charset;
  std::string_view httpEquiv;
  std::string_view content;
};

// Reads the attributes of a tag from just after its name up to its ">", which `at` is left on.
MetaAttributes ReadMetaAttributes(std::string_view page, size_t& at) {
  MetaAttributes attributes;
  while (at < page.size() && page[at] != '>') {
    if (IsBlank(page[at]) || page[at] == '/') {
      ++at;
      continue;
    }
    size_t nameStart = at;
    while (at < page.size() && !IsBlank(page[at]) && page[at] != '=' && page[at] != '>' &&
           page[at] != '/') {
      ++at;
    }
    std::string_view name = page.substr(nameStart, at - nameStart);
    while (at < page.size() && IsBlank(page[at])) ++at;
    std::string_view value;
    if (at < page.size() && page[at] == '=') {
      ++at;
      while (at < page.size() && IsBlank(page[at])) ++at;
      if (at < page.size() && (page[at] == '"' || page[at] == '\'')) {
        size_t end = std::min(page.find(page[at], at + 1), page.size());
        value = page.substr(at + 1, end - at - 1);
        at = std::min(end + 1, page.size());
      } else {
        size_t valueStart = at;
        while (at < page.size() && !IsBlank(page[at]) && page[at] != '>') ++at;
        value = page.substr(valueStart, at - valueStart);
      }
    }
    if (name == "charset") attributes.charset = value;
    if (name == "http-equiv") attributes.httpEquiv = value;
    if (name == "content") attributes.content = value;
  }
  return attributes;
}

DeclaredCharset CharsetOfMeta(const MetaAttributes& meta) {
  if (!meta.charset.empty()) return CharsetFromLabel(meta.charset);
  if (Trimmed(meta.httpEquiv) == "content-type") {
    return CharsetFromLabel(CharsetParameter(meta.content));
  }
  return DeclaredCharset::None;
}

}  // namespace

DeclaredCharset CharsetFromLabel(std::string_view label) {
  std::string name = Lowered(Trimmed(label));
  if (name.empty()) return DeclaredCharset::None;
  if (std::find(kGbkLabels.begin(), kGbkLabels.end(), name) != kGbkLabels.end()) {
    return DeclaredCharset::Gbk;
  }
  if (std::find(kUtf8Labels.begin(), kUtf8Labels.end(), name) != kUtf8Labels.end()) {
    return DeclaredCharset::Utf8;
  }
  return DeclaredCharset::Other;
}

DeclaredCharset CharsetFromHeaders(std::string_view headerBlock) {
  std::string lowered = Lowered(headerBlock);
  std::string_view rest = lowered;
  while (!rest.empty()) {
    size_t end = std::min(rest.find('\n'), rest.size());
    std::string_view line = rest.substr(0, end);
    rest.remove_prefix(std::min(end + 1, rest.size()));
    size_t colon = line.find(':');
    if (colon == std::string_view::npos || Trimmed(line.substr(0, colon)) != "content-type") {
      continue;
    }
    return CharsetFromLabel(CharsetParameter(line.substr(colon + 1)));
  }
  return DeclaredCharset::None;
}

DeclaredCharset CharsetFromMeta(std::string_view body) {
  std::string page = Lowered(body.substr(0, std::min(body.size(), kCharsetScanBytes)));
  size_t at = 0;
  while ((at = page.find('<', at)) != std::string::npos) {
    if (page.compare(at, 4, "<!--") == 0) {
      at = page.find("-->", at + 4);
      if (at == std::string::npos) break;
      continue;
    }
    bool meta = page.compare(at, 5, "<meta") == 0 && at + 5 < page.size() &&
                (IsBlank(page[at + 5]) || page[at + 5] == '/');
    at += meta ? 5 : 1;
    if (!meta) continue;
    DeclaredCharset declared = CharsetOfMeta(ReadMetaAttributes(page, at));
    if (declared != DeclaredCharset::None) return declared;
  }
  return DeclaredCharset::None;
}

DeclaredCharset DeclaredPageCharset(std::string_view headerBlock, std::string_view body) {
  DeclaredCharset declared = CharsetFromHeaders(headerBlock);
  return declared != DeclaredCharset::None ? declared : CharsetFromMeta(body);
}

runtime::Text CharsetWarning(DeclaredCharset declared, bool readAsGbk) {
  if (declared == DeclaredCharset::Utf8 && readAsGbk) {
    return runtime::T("页面声明编码为 UTF-8，但按 GBK 读取");
  }
  if (declared == DeclaredCharset::Gbk && !readAsGbk) {
    return runtime::T("页面声明编码为 GBK，但按 UTF-8 读取");
  }
  return {};
}

}  // namespace collect
