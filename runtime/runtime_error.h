// The fatal runtime error report and the end-of-program sequence with its clean-up routines.
#pragma once

#include <cstddef>
#include <functional>
#include <string>

#include "runtime/text.h"

namespace runtime {

// Exit code of a program ended by a runtime error.
constexpr int kRuntimeErrorExitCode = -1;

// Message of error number 1..11 (empty for 0 and for numbers outside the table).
Text RuntimeErrorMessage(int number);
// The box text: heading, then the code line for a non-zero number, then the message line for a
// non-empty message.
Text RuntimeErrorBoxText(const Text& message, int number);

// Looks up the message of number and reports it. Does not return.
[[noreturn]] void RaiseRuntimeError(int number);
// Shows the error box, runs the clean-up routines and exits with -1. Does not return.
[[noreturn]] void ReportRuntimeError(const Text& message, int number);

// Reports that size bytes could not be allocated ("分配 %d 字节内存失败!"). Does not return.
[[noreturn]] void ReportAllocationFailure(std::size_t size);

// Shows the box text to the user; blocks until it is closed. Without one the text goes to
// standard error as UTF-8.
using ErrorPresenter = std::function<void(const Text& boxText)>;
void SetErrorPresenter(ErrorPresenter presenter);

using CleanupRoutine = void (*)();
// Adds a routine to run at the end of the program; one already in the list is not added twice.
void RegisterCleanup(CleanupRoutine routine);
// Runs every registered routine once, in order of registration.
void RunCleanupRoutines();
// The end-of-program sequence: clean-up routines, then process exit with exitCode.
[[noreturn]] void EndProgram(int exitCode);

}  // namespace runtime
