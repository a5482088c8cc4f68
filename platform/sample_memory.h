#pragma once
// Memory for sample data. Samples run to hundreds of megabytes, and every
// page of fresh memory costs the kernel a fault and a zero fill before the
// first byte of a sample is read into it: loading paid for its memory twice.
// Large blocks therefore come from huge pages where the system offers them,
// so the kernel prepares them 2 MiB at a time instead of 4 KiB; small
// blocks come from the heap.
#include <cstddef>
#include <cstdint>
#include <memory>

namespace platform {

// Gives back a block of AllocateSampleMemory; it knows the block's size.
class SampleMemoryFree {
 public:
  SampleMemoryFree() = default;
  explicit SampleMemoryFree(size_t bytes) : m_Bytes(bytes) {}
  void operator()(uint8_t* block) const;

 private:
  size_t m_Bytes = 0;
};

using SampleMemory = std::unique_ptr<uint8_t[], SampleMemoryFree>;

// A block of bytes for samples, aligned for any sample type. Zero-filled
// when zeroed is set, else undefined until written. Empty when the memory
// is not there (or for 0 bytes).
SampleMemory AllocateSampleMemory(size_t bytes, bool zeroed);

// Blocks of at least this many bytes are mapped and offered huge pages.
inline constexpr size_t kSampleMemoryMappedFrom = size_t{2} << 20;

}  // namespace platform
