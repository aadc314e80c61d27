// Reference resolution: the components of RFC 3986 appendix B, the merge of section 5.2.3, the
// removal of dot segments of 5.2.4 and the recomposition of 5.3.
#include "web/address_resolution.h"

#include <algorithm>
#include <optional>
#include <string_view>

#include "web/character_references.h"

namespace web {
namespace {

using runtime::Text;

// A reference taken apart; a component that is not there differs from one that is empty.
struct Components {
  std::optional<Text> scheme;
  std::optional<Text> authority;
  Text path;
  std::optional<Text> query;
  std::optional<Text> fragment;
};

bool IsLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

bool IsScheme(std::string_view text) {
  if (text.empty() || !IsLetter(text[0])) return false;
  for (char c : text) {
    if (!IsLetter(c) && !(c >= '0' && c <= '9') && c != '+' && c != '-' && c != '.') return false;
  }
  return true;
}

// None of the delimiters is a byte of a double-byte character, so the bytes can be split as
// they are.
Components Split(std::string_view text) {
  Components parts;
  const std::size_t hash = text.find('#');
  if (hash != std::string_view::npos) {
    parts.fragment = Text(text.substr(hash + 1));
    text = text.substr(0, hash);
  }
  const std::size_t question = text.find('?');
  if (question != std::string_view::npos) {
    parts.query = Text(text.substr(question + 1));
    text = text.substr(0, question);
  }
  const std::size_t colon = text.find(':');
  if (colon != std::string_view::npos && IsScheme(text.substr(0, colon))) {
    parts.scheme = Text(text.substr(0, colon));
    text = text.substr(colon + 1);
  }
  if (text.starts_with("//")) {
    const std::size_t pathStart = text.find('/', 2);
    parts.authority = Text(text.substr(2, pathStart == std::string_view::npos ? text.npos : pathStart - 2));
    text = pathStart == std::string_view::npos ? std::string_view() : text.substr(pathStart);
  }
  parts.path = Text(text);
  return parts;
}

// Section 5.2.4: "." and ".." segments removed from a path.
Text RemoveDotSegments(std::string_view input) {
  Text output;
  while (!input.empty()) {
    if (input.starts_with("../")) {
      input.remove_prefix(3);
    } else if (input.starts_with("./")) {
      input.remove_prefix(2);
    } else if (input.starts_with("/./")) {
      input.remove_prefix(2);
    } else if (input == "/.") {
      input = "/";
    } else if (input.starts_with("/../") || input == "/..") {
      input = input.size() == 3 ? std::string_view("/") : input.substr(3);
      const std::size_t lastSlash = output.rfind('/');
      output.resize(lastSlash == Text::npos ? 0 : lastSlash);
    } else if (input == "." || input == "..") {
      input = {};
    } else {
      const std::size_t next = input.find('/', 1);
      const std::size_t length = next == std::string_view::npos ? input.size() : next;
      output.append(input.substr(0, length));
      input.remove_prefix(length);
    }
  }
  return output;
}

// Section 5.2.3.
Text Merge(const Components& base, const Text& referencePath) {
  if (base.authority && base.path.empty()) return "/" + referencePath;
  const std::size_t lastSlash = base.path.rfind('/');
  return lastSlash == Text::npos ? referencePath : base.path.substr(0, lastSlash + 1) + referencePath;
}

// Section 5.2.2, the strict form.
Components Target(const Components& base, const Components& reference) {
  Components target;
  if (reference.scheme) {
    target = reference;
    target.path = RemoveDotSegments(reference.path);
    return target;
  }
  target.scheme = base.scheme;
  if (reference.authority) {
    target.authority = reference.authority;
    target.path = RemoveDotSegments(reference.path);
    target.query = reference.query;
  } else {
    target.authority = base.authority;
    if (reference.path.empty()) {
      target.path = base.path;
      target.query = reference.query ? reference.query : base.query;
    } else {
      target.path = RemoveDotSegments(reference.path.front() == '/' ? reference.path : Merge(base, reference.path));
      target.query = reference.query;
    }
  }
  target.fragment = reference.fragment;
  return target;
}

// Section 5.3.
Text Recompose(const Components& parts) {
  Text result;
  if (parts.scheme) result += *parts.scheme + ":";
  if (parts.authority) result += "//" + *parts.authority;
  result += parts.path;
  if (parts.query) result += "?" + *parts.query;
  if (parts.fragment) result += "#" + *parts.fragment;
  return result;
}

bool IsSpaceOrControl(char c) { return static_cast<unsigned char>(c) <= 0x20; }

// Whether the address begins with "http://" or "https://", in any letter case.
bool HasWebScheme(std::string_view address) {
  for (std::string_view scheme : {std::string_view("http://"), std::string_view("https://")}) {
    if (address.size() >= scheme.size() &&
        std::equal(scheme.begin(), scheme.end(), address.begin(),
                   [](char a, char b) { return a == (b >= 'A' && b <= 'Z' ? static_cast<char>(b | 0x20) : b); })) {
      return true;
    }
  }
  return false;
}

// The base address taken apart, "http://" put in front of one without a scheme the program
// fetches.
Components BaseParts(const Text& base) { return Split(HasWebScheme(base) ? base : "http://" + base); }

}  // namespace

Text ResolveReference(const Text& base, const Text& reference) {
  return Recompose(Target(BaseParts(base), Split(reference)));
}

Text LinkAddress(const Text& pageAddress, const Text& link) {
  Text cleaned;
  for (char c : DecodeCharacterReferences(link)) {
    if (c != '\t' && c != '\n' && c != '\r') cleaned += c;
  }
  std::size_t first = 0;
  std::size_t end = cleaned.size();
  while (first < end && IsSpaceOrControl(cleaned[first])) ++first;
  while (end > first && IsSpaceOrControl(cleaned[end - 1])) --end;
  if (first == end) return Text();
  // A browser has the page's address normalized before it resolves a link against it.
  Components base = BaseParts(pageAddress);
  base.path = RemoveDotSegments(base.path);
  Text address = Recompose(Target(base, Split(cleaned.substr(first, end - first))));
  const std::size_t hash = address.find('#');
  if (hash != Text::npos) address.resize(hash);
  return address;
}

}  // namespace web
