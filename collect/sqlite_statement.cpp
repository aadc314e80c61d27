// Prepared statements over SQLite's C API.
#include "collect/sqlite_statement.h"

#include <sqlite3.h>

namespace collect {

SqliteStatement::SqliteStatement(sqlite3* database, const std::string& sql)
    : code_(sqlite3_prepare_v2(database, sql.c_str(), -1, &statement_, nullptr)) {}

SqliteStatement::~SqliteStatement() { sqlite3_finalize(statement_); }

SqliteStatement& SqliteStatement::Bind(int index, long long value) {
  if (Sound()) code_ = sqlite3_bind_int64(statement_, index, value);
  return *this;
}

namespace {

int BindBlob(sqlite3_stmt* statement, int index, std::string_view bytes, sqlite3_destructor_type kept) {
  static const char kNothing = 0;
  return sqlite3_bind_blob64(statement, index, bytes.empty() ? &kNothing : bytes.data(), bytes.size(), kept);
}

}  // namespace

SqliteStatement& SqliteStatement::Bind(int index, std::string_view bytes) {
  if (Sound()) code_ = BindBlob(statement_, index, bytes, SQLITE_TRANSIENT);
  return *this;
}

SqliteStatement& SqliteStatement::BindHeld(int index, std::string_view bytes) {
  if (Sound()) code_ = BindBlob(statement_, index, bytes, SQLITE_STATIC);
  return *this;
}

SqliteStatement& SqliteStatement::BindWord(int index, const char* word) {
  if (Sound()) code_ = sqlite3_bind_text(statement_, index, word, -1, SQLITE_STATIC);
  return *this;
}

bool SqliteStatement::Step() {
  if (!Sound()) return false;
  code_ = sqlite3_step(statement_);
  return code_ == SQLITE_ROW;
}

bool SqliteStatement::Run() {
  Step();
  return code_ == SQLITE_DONE;
}

void SqliteStatement::Reset() {
  if (statement_ == nullptr) return;
  // Every use binds all its parameters anew, so the old values need not be cleared.
  sqlite3_reset(statement_);
  code_ = SQLITE_OK;
}

long long SqliteStatement::Integer(int column) const { return sqlite3_column_int64(statement_, column); }

std::string SqliteStatement::Bytes(int column) const {
  const void* bytes = sqlite3_column_blob(statement_, column);
  const int size = sqlite3_column_bytes(statement_, column);
  return bytes == nullptr ? std::string() : std::string(static_cast<const char*>(bytes), static_cast<std::size_t>(size));
}

bool SqliteStatement::Failed() const { return !Sound() && code_ != SQLITE_DONE; }

bool SqliteStatement::Sound() const { return code_ == SQLITE_OK || code_ == SQLITE_ROW || code_ == SQLITE_DONE; }

int ExecuteSql(sqlite3* database, const std::string& sql) {
  return sqlite3_exec(database, sql.c_str(), nullptr, nullptr, nullptr);
}

}  // namespace collect
