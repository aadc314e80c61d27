// Running out of memory ends the program through the runtime error report, with the size that
// could not be had, instead of an exception that nothing in the program expects.
#include <cstdio>
#include <cstdlib>
#include <new>

#include "runtime/code_page.h"
#include "runtime/runtime_error.h"

namespace {

[[noreturn]] void ReportAllocationFailure(std::size_t size) {
  // The message is built in a fixed buffer: the heap has just failed us.
  char sizeText[32];
  std::snprintf(sizeText, sizeof sizeText, "%zu", size);
  runtime::ReportRuntimeError(runtime::T("分配 ") + sizeText + runtime::T(" 字节内存失败!"), 0);
}

void* AllocateOrReport(std::size_t size) {
  void* block = std::malloc(size == 0 ? 1 : size);
  if (block == nullptr) ReportAllocationFailure(size);
  return block;
}

void* AllocateAlignedOrReport(std::size_t size, std::align_val_t alignment) {
  auto align = static_cast<std::size_t>(alignment);
  std::size_t rounded = (size + align - 1) / align * align;
  void* block = std::aligned_alloc(align, rounded == 0 ? align : rounded);
  if (block == nullptr) ReportAllocationFailure(size);
  return block;
}

}  // namespace

void* operator new(std::size_t size) { return AllocateOrReport(size); }
void* operator new[](std::size_t size) { return AllocateOrReport(size); }
void* operator new(std::size_t size, std::align_val_t alignment) {
  return AllocateAlignedOrReport(size, alignment);
}
void* operator new[](std::size_t size, std::align_val_t alignment) {
  return AllocateAlignedOrReport(size, alignment);
}
void operator delete(void* block) noexcept { std::free(block); }
void operator delete[](void* block) noexcept { std::free(block); }
void operator delete(void* block, std::size_t) noexcept { std::free(block); }
void operator delete[](void* block, std::size_t) noexcept { std::free(block); }
void operator delete(void* block, std::align_val_t) noexcept { std::free(block); }
void operator delete[](void* block, std::align_val_t) noexcept { std::free(block); }
void operator delete(void* block, std::size_t, std::align_val_t) noexcept { std::free(block); }
void operator delete[](void* block, std::size_t, std::align_val_t) noexcept { std::free(block); }
