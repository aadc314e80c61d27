// The runtime error table, the error box text, and the end of the program.
#include "runtime/runtime_error.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <vector>

#include "runtime/code_page.h"

namespace runtime {
namespace {

constexpr std::array<const char*, 12> kMessages = {
    "",
    "数组成员引用下标超出定义范围",
    "未得到所需要的数值型数据",
    "引用数组成员时维数不为1且不等于该数组目前所具有的维数",
    "数组成员引用下标必须大于等于1",
    "数据或数组类型不匹配",
    "调用DLL命令后发现堆栈错误",
    "子语句参数未返回数据或者返回了非系统基本类型或数组型数据",
    "被比较数据只能使用等于或不等于命令比较",
    "“多项选择”命令的索引值参数小于零或超出了所提供参数表范围",
    "“重定义数组”命令的数组维定义参数值必须大于零或单维时大于等于零",
    "所提供参数的数据类型不符合要求",
};

std::mutex& EndingMutex() {
  static std::mutex mutex;
  return mutex;
}

ErrorPresenter& Presenter() {
  static ErrorPresenter presenter;
  return presenter;
}

std::vector<CleanupRoutine>& CleanupRoutines() {
  static std::vector<CleanupRoutine> routines;
  return routines;
}

void WriteToStandardError(const Text& boxText) {
  std::string utf8 = TextToUtf8(boxText);
  std::fwrite(utf8.data(), 1, utf8.size(), stderr);
  std::fflush(stderr);
}

}  // namespace

Text RuntimeErrorMessage(int number) {
  if (number < 0 || number >= static_cast<int>(kMessages.size())) return Text();
  return T(kMessages[static_cast<size_t>(number)]);
}

Text RuntimeErrorBoxText(const Text& message, int number) {
  Text box = T("运行时出错!") + "\r\n\r\n";
  if (number != 0) box += T("错误代码：") + std::to_string(number) + "\r\n\r\n";
  if (!message.empty()) box += T("错误信息：") + message + "\r\n";
  return box;
}

void RaiseRuntimeError(int number) { ReportRuntimeError(RuntimeErrorMessage(number), number); }

void ReportRuntimeError(const Text& message, int number) {
  // A report from inside the presenter ends at once; one from another thread waits here while
  // the first ends the process.
  thread_local bool reportingOnThisThread = false;
  if (reportingOnThisThread) EndProgram(kRuntimeErrorExitCode);
  reportingOnThisThread = true;
  EndingMutex().lock();
  Text box = RuntimeErrorBoxText(message, number);
  if (Presenter()) {
    Presenter()(box);
  } else {
    WriteToStandardError(box);
  }
  EndProgram(kRuntimeErrorExitCode);
}

void ReportAllocationFailure(std::size_t size) {
  ReportRuntimeError(T("分配 ") + std::to_string(size) + T(" 字节内存失败!"), 0);
}

void SetErrorPresenter(ErrorPresenter presenter) { Presenter() = std::move(presenter); }

void RegisterCleanup(CleanupRoutine routine) {
  auto& routines = CleanupRoutines();
  if (std::find(routines.begin(), routines.end(), routine) == routines.end()) {
    routines.push_back(routine);
  }
}

void RunCleanupRoutines() {
  // Taken out first, so that each routine runs once even if the end is entered again.
  std::vector<CleanupRoutine> routines;
  routines.swap(CleanupRoutines());
  for (CleanupRoutine routine : routines) routine();
}

void EndProgram(int exitCode) {
  RunCleanupRoutines();
  std::fflush(stdout);
  std::fflush(stderr);
  std::_Exit(exitCode & 0xFF);
}

}  // namespace runtime
