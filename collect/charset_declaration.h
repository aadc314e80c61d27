// The charset a page declares, from its response headers or a meta element, and the warning shown
// when the page is read in the other encoding.
#pragma once

#include <cstddef>
#include <string_view>

#include "runtime/text.h"

namespace collect {

// Gbk stands for GBK, GB2312 and GB18030 alike; Other for a charset the program does not read.
enum class DeclaredCharset { None, Gbk, Utf8, Other };

// How many bytes at the start of a page are searched for a meta element.
inline constexpr std::size_t kCharsetScanBytes = 4096;

// The charset a label names, in any letter case: "gbk", "gb2312", "gb18030" and their usual
// aliases give Gbk, "utf-8" and "utf8" (and aliases) Utf8, an empty label None, anything else
// Other.
DeclaredCharset CharsetFromLabel(std::string_view label);

// The charset parameter of the Content-Type line of a raw header block (status line first, lines
// ended by CR LF or LF); None when there is no such line or it names no charset.
DeclaredCharset CharsetFromHeaders(std::string_view headerBlock);

// The charset of the first <meta charset=...> or <meta http-equiv="Content-Type"
// content="...charset=..."> within the first kCharsetScanBytes of the body, in any letter case;
// meta elements inside comments do not count. None when there is none.
DeclaredCharset CharsetFromMeta(std::string_view body);

// What the page declares: the header's charset when it names one, otherwise its meta element's.
DeclaredCharset DeclaredPageCharset(std::string_view headerBlock, std::string_view body);

// "页面声明编码为 UTF-8，但按 GBK 读取" for a UTF-8 page read as GBK, "页面声明编码为 GBK，但按
// UTF-8 读取" for a GBK page read as UTF-8, and the empty text when the reading agrees with the
// declaration or there is nothing to contradict.
runtime::Text CharsetWarning(DeclaredCharset declared, bool readAsGbk);

}  // namespace collect
