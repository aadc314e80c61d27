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

void* AllocateAlignedOrReport(std::size_t size, std::align_val_t alignment) {
  auto align = static_cast<std::size_t>(alignment);
  std::size_t rounded = (size + align - 1) / align * align;
  void* block = std::aligned_alloc(align, rounded == 0 ? align : rounded);
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
// The non-throwing forms hand a failure back to their caller, which is prepared for it (as the
// temporary buffer of std::stable_sort is); they must come from here too, since the deletes
// below release every block with free().
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
  return std::malloc(size == 0 ? 1 : size);
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
  return std::malloc(size == 0 ? 1 : size);
}
void* operator new(std::size_t size, std::align_val_t alignment, const std::nothrow_t&) noexcept {
  auto align = static_cast<std::size_t>(alignment);
  return std::aligned_alloc(align, size == 0 ? align : (size + align - 1) / align * align);
}
void* operator new[](std::size_t size, std::align_val_t alignment,
                     const std::nothrow_t& tag) noexcept {
  return operator new(size, alignment, tag);
}
void operator delete(void* block) noexcept { std::free(block); }
void operator delete[](void* block) noexcept { std::free(block); }
void operator delete(void* block, std::size_t) noexcept { std::free(block); }
void operator delete[](void* block, std::size_t) noexcept { std::free(block); }
void operator delete(void* block, std::align_val_t) noexcept { std::free(block); }
void operator delete[](void* block, std::align_val_t) noexcept { std::free(block); }
void operator delete(void* block, std::size_t, std::align_val_t) noexcept { std::free(block); }
void operator delete[](void* block, std::size_t, std::align_val_t) noexcept { std::free(block); }
void operator delete(void* block, const std::nothrow_t&) noexcept { std::free(block); }
void operator delete[](void* block, const std::nothrow_t&) noexcept { std::free(block); }
void operator delete(void* block, std::align_val_t, const std::nothrow_t&) noexcept {
  std::free(block);
}
void operator delete[](void* block, std::align_val_t, const std::nothrow_t&) noexcept {
  std::free(block);
}
