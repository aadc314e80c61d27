// Gathers one HTTP answer as libcurl hands it over: the raw header block of the final response
// and the body bytes.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "runtime/text.h"

namespace web {

class ResponseCollector {
public:
  // One header line as received, line break included. A status line ("HTTP/...") starts a new
  // block, so interim (1xx) answers leave nothing behind; the empty line completes the block;
  // lines after it (trailers) are ignored. Lines are stored ending in CR LF whatever the server
  // used.
  void AddHeaderLine(std::string_view line);
  // Appends body bytes.
  void AddBodyBytes(std::string_view bytes) { body_.append(bytes); }
  // Makes room for a body of the announced size at once, so that it is never copied while it
  // grows. The caller bounds the size.
  void ExpectBodySize(std::int64_t size);
  // Frees the body received so far.
  void DropBody() { runtime::ByteSet().swap(body_); }
  // Forgets everything (a redirect leads to a new answer).
  void Clear();

  // True once a complete header block (status line to empty line) has arrived.
  bool Answered() const { return complete_; }
  // Status code of the block's status line (0 when there is none).
  int StatusCode() const;
  // The header block: status line first, each line ended by CR LF, then an empty line.
  const std::string& HeaderBlock() const { return block_; }
  std::size_t BodySize() const { return body_.size(); }
  runtime::ByteSet TakeBody() { return std::move(body_); }
  std::string TakeHeaderBlock() { return std::move(block_); }

private:
  std::string block_;
  runtime::ByteSet body_;
  bool started_ = false;
  bool complete_ = false;
};

}  // namespace web
