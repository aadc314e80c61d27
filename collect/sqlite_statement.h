// A prepared SQLite statement that remembers the first result code that was not a success, so a
// chain of binds and a step is checked once at its end.
#pragma once

#include <string>
#include <string_view>

struct sqlite3;
struct sqlite3_stmt;

namespace collect {

class SqliteStatement {
public:
  SqliteStatement(sqlite3* database, const std::string& sql);
  ~SqliteStatement();
  SqliteStatement(const SqliteStatement&) = delete;
  SqliteStatement& operator=(const SqliteStatement&) = delete;

  SqliteStatement& Bind(int index, long long value);
  // Bytes as a blob; the empty text stays an empty blob, not NULL.
  SqliteStatement& Bind(int index, std::string_view bytes);
  // Bytes as a blob without a copy: they must stay as they are until the statement's next step
  // is done (SQLite reads them then and keeps its own copy of what it stores).
  SqliteStatement& BindHeld(int index, std::string_view bytes);
  // A word of the program (or a time) as text, so that the schema's checks and SQLite's date
  // functions read it as text. The word must outlive the statement's next step.
  SqliteStatement& BindWord(int index, const char* word);
  // True for a row; false at the end or on a failure (Failed()).
  bool Step();
  // Runs a statement that gives no rows; true when it did.
  bool Run();
  // Ready to be run again, its failure forgotten; the values bound stay until bound anew.
  void Reset();
  long long Integer(int column) const;
  std::string Bytes(int column) const;
  bool Failed() const;
  // The result code of the last step, or of the first failure.
  int Code() const { return code_; }

private:
  bool Sound() const;

  sqlite3_stmt* statement_ = nullptr;
  int code_;
};

// Runs SQL text of one or more statements; SQLite's result code.
int ExecuteSql(sqlite3* database, const std::string& sql);

}  // namespace collect
