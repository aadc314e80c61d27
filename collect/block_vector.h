// A growing array kept in blocks of 512 bytes. Growing never copies what it holds, as an array
// that doubles does (holding its old and new copies at once), and an empty one holds no memory:
// std::deque allocates a block as it is made, and again for the one it leaves behind on each move,
// which for the record lists made and moved for every page was most of their allocations.
#pragma once

#include <cstddef>
#include <memory>
#include <utility>
#include <vector>

namespace collect {

template <typename T>
class BlockVector {
public:
  BlockVector() = default;
  BlockVector(const BlockVector& other) { *this = other; }
  BlockVector& operator=(const BlockVector& other) {
    if (this == &other) return *this;
    clear();
    resize(other.size_);
    for (std::size_t block = 0; block < blocks_.size(); ++block) {
      std::copy(other.blocks_[block].get(), other.blocks_[block].get() + kBlockSize, blocks_[block].get());
    }
    return *this;
  }
  BlockVector(BlockVector&& other) noexcept
      : blocks_(std::move(other.blocks_)), size_(std::exchange(other.size_, 0)) {
    other.blocks_.clear();
  }
  BlockVector& operator=(BlockVector&& other) noexcept {
    blocks_ = std::move(other.blocks_);
    size_ = std::exchange(other.size_, 0);
    other.blocks_.clear();
    return *this;
  }

  std::size_t size() const { return size_; }
  bool empty() const { return size_ == 0; }
  T& operator[](std::size_t at) { return blocks_[at / kBlockSize][at % kBlockSize]; }
  const T& operator[](std::size_t at) const { return blocks_[at / kBlockSize][at % kBlockSize]; }

  void push_back(const T& value) {
    resize(size_ + 1);
    (*this)[size_ - 1] = value;
  }
  // Elements added are T{}.
  void resize(std::size_t size) {
    while (blocks_.size() * kBlockSize < size) blocks_.push_back(std::make_unique<T[]>(kBlockSize));
    for (std::size_t at = size_; at < size; ++at) (*this)[at] = T{};
    size_ = size;
  }
  void clear() {
    blocks_.clear();
    size_ = 0;
  }

private:
  static constexpr std::size_t kBlockSize = 512 / sizeof(T) > 0 ? 512 / sizeof(T) : 1;
  std::vector<std::unique_ptr<T[]>> blocks_;
  std::size_t size_ = 0;
};

}  // namespace collect
