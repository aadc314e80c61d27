// What the fuzz targets share: cutting an input into fields, UTF-8 validity, and ending a run
// when a property does not hold.
#pragma once

#include <unicode/utf8.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

namespace fuzz {

// The byte between the fields of an input; no routine under test gives it a meaning.
constexpr char kFieldSeparator = '\x01';

// The input's bytes as a view.
inline std::string_view InputBytes(const std::uint8_t* data, std::size_t size) {
  return std::string_view(reinterpret_cast<const char*>(data), size);
}

// The input cut at every field separator: at least one field, each possibly empty.
inline std::vector<std::string> SplitFields(std::string_view input) {
  std::vector<std::string> fields;
  std::size_t from = 0;
  for (std::size_t at = input.find(kFieldSeparator); at != std::string_view::npos;
       at = input.find(kFieldSeparator, from)) {
    fields.emplace_back(input.substr(from, at - from));
    from = at + 1;
  }
  fields.emplace_back(input.substr(from));
  return fields;
}

// Field `index` of fields; empty when there are fewer.
inline std::string FieldAt(const std::vector<std::string>& fields, std::size_t index) {
  return index < fields.size() ? fields[index] : std::string();
}

// The bytes before the first zero byte, as every text routine sees them.
inline std::string_view BeforeZero(std::string_view bytes) {
  return bytes.substr(0, bytes.find('\0'));
}

// True when the bytes are well-formed UTF-8 (no surrogates, no overlong forms).
inline bool IsWellFormedUtf8(std::string_view bytes) {
  const auto* units = reinterpret_cast<const std::uint8_t*>(bytes.data());
  const auto length = static_cast<std::int32_t>(bytes.size());
  for (std::int32_t at = 0; at < length;) {
    UChar32 codePoint = 0;
    U8_NEXT(units, at, length, codePoint);
    if (codePoint < 0) return false;
  }
  return true;
}

// True when no byte is 0x80 or above, so no double-byte character can hide a byte.
inline bool IsAscii(std::string_view bytes) {
  for (char byte : bytes) {
    if (static_cast<unsigned char>(byte) >= 0x80) return false;
  }
  return true;
}

// Ends the run as a finding, naming the property that failed, when it does not hold.
inline void Require(bool holds, const char* property) {
  if (holds) return;
  std::fprintf(stderr, "property does not hold: %s\n", property);
  std::abort();
}

}  // namespace fuzz
