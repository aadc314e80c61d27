// The caller's request header block turned into the header list libcurl sends.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace web {

// Splits the block into its header lines (at CR LF; a lone CR or LF also ends a line, so that no
// line can smuggle a line break onto the wire) and drops empty lines and lines without a colon.
// A line whose value is blank is written "Name;", libcurl's form for sending "Name:" as it is.
// Then, for each header libcurl would otherwise add on its own (Accept; Content-Type when a body
// is sent; Expect) and that the block does not carry, a "Name:" entry that keeps libcurl from
// adding it. Names are compared ignoring ASCII case, as HTTP does.
std::vector<std::string> CurlHeaderLines(std::string_view headerBlock, bool sendsBody);

// The block's lines (split as above) without its Cookie and Authorization lines, joined by CR LF:
// what may go to an origin the caller did not name.
std::string WithoutCredentialLines(std::string_view headerBlock);

// True when some line of the block is a header of that name (ASCII case ignored).
bool BlockHasHeader(std::string_view headerBlock, std::string_view name);

}  // namespace web
