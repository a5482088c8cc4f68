#include "platform/sample_memory.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cstdlib>

namespace platform {

namespace {

// The huge page size the kernel uses for anonymous memory on the machines
// the desk runs on; a mapping aligned to it can be backed by huge pages.
constexpr size_t kHugePage = size_t{2} << 20;

size_t RoundUp(size_t value, size_t unit) {
  return (value + unit - 1) / unit * unit;
}

size_t PageSize() {
  static const size_t size = static_cast<size_t>(sysconf(_SC_PAGESIZE));
  return size;
}

// The length of the mapping that holds a block of bytes.
size_t MappedLength(size_t bytes) {
  return RoundUp(bytes, PageSize());
}

uint8_t* MapAligned(size_t bytes) {
  const size_t length = MappedLength(bytes);
  if (length < bytes || length > SIZE_MAX - kHugePage) return nullptr;
  // A huge page more than needed, so that the block can start on a huge
  // page's boundary; the ends around it are given back at once.
  void* raw =
      mmap(nullptr, length + kHugePage, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (raw == MAP_FAILED) return nullptr;
  const uintptr_t first = reinterpret_cast<uintptr_t>(raw);
  const uintptr_t start = RoundUp(first, kHugePage);
  const size_t head = start - first;
  if (head != 0) munmap(raw, head);
  const size_t tail = kHugePage - head;
  if (tail != 0) munmap(reinterpret_cast<void*>(start + length), tail);
  // Only a hint: without huge pages the block works the same, page by page.
  madvise(reinterpret_cast<void*>(start), length, MADV_HUGEPAGE);
  return reinterpret_cast<uint8_t*>(start);
}

}  // namespace

void SampleMemoryFree::operator()(uint8_t* block) const {
  if (block == nullptr) return;
  if (m_Bytes >= kSampleMemoryMappedFrom) {
    munmap(block, MappedLength(m_Bytes));
  } else {
    std::free(block);
  }
}

SampleMemory AllocateSampleMemory(size_t bytes, bool zeroed) {
  if (bytes == 0) return SampleMemory();
  uint8_t* block = nullptr;
  if (bytes >= kSampleMemoryMappedFrom) {
    block = MapAligned(bytes);  // fresh mappings read as zeros
  } else {
    block = static_cast<uint8_t*>(zeroed ? std::calloc(bytes, 1) : std::malloc(bytes));
  }
  return SampleMemory(block, SampleMemoryFree(bytes));
}

}  // namespace platform
