// Running out of memory ends the program through the runtime error report, with the size that
// could not be had, instead of an exception that nothing in the program expects.
#include <cstdlib>
#include <new>

#include "runtime/runtime_error.h"

namespace {

void* AllocateOrReport(std::size_t size) {
  void* block = std::malloc(size == 0 ? 1 : size);
  if (block == nullptr) runtime::ReportAllocationFailure(size);
  return block;
}

void* AlignedBlock(std::size_t size, std::align_val_t alignment) {
  auto align = static_cast<std::size_t>(alignment);
  std::size_t rounded = (size + align - 1) / align * align;
  return std::aligned_alloc(align, rounded == 0 ? align : rounded);
}

void* AllocateAlignedOrReport(std::size_t size, std::align_val_t alignment) {
  void* block = AlignedBlock(size, alignment);
  if (block == nullptr) runtime::ReportAllocationFailure(size);
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
// The nothrow forms belong to the same family, so that every block, whichever form made it, is
// freed by the free() below; a caller that asked for nothrow is given null and handles it.
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
  return std::malloc(size == 0 ? 1 : size);
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
  return std::malloc(size == 0 ? 1 : size);
}
void* operator new(std::size_t size, std::align_val_t alignment, const std::nothrow_t&) noexcept {
  return AlignedBlock(size, alignment);
}
void* operator new[](std::size_t size, std::align_val_t alignment, const std::nothrow_t&) noexcept {
  return AlignedBlock(size, alignment);
}
void operator delete(void* block, const std::nothrow_t&) noexcept { std::free(block); }
void operator delete[](void* block, const std::nothrow_t&) noexcept { std::free(block); }
void operator delete(void* block, std::align_val_t, const std::nothrow_t&) noexcept { std::free(block); }
void operator delete[](void* block, std::align_val_t, const std::nothrow_t&) noexcept { std::free(block); }
void operator delete(void* block) noexcept { std::free(block); }
void operator delete[](void* block) noexcept { std::free(block); }
void operator delete(void* block, std::size_t) noexcept { std::free(block); }
void operator delete[](void* block, std::size_t) noexcept { std::free(block); }
void operator delete(void* block, std::align_val_t) noexcept { std::free(block); }
void operator delete[](void* block, std::align_val_t) noexcept { std::free(block); }
void operator delete(void* block, std::size_t, std::align_val_t) noexcept { std::free(block); }
void operator delete[](void* block, std::size_t, std::align_val_t) noexcept { std::free(block); }
