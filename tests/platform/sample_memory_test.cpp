// Memory for samples: heap blocks below the mapping threshold, huge-page
// aligned mappings from it on, zero-filled when asked, and refused sizes.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>

#include "platform/sample_memory.h"

namespace {

using platform::AllocateSampleMemory;
using platform::kSampleMemoryMappedFrom;

TEST(SampleMemory, EveryByteOfEverySizeIsThereAndZeroedWhenAsked) {
  for (size_t bytes :
       {size_t{1}, size_t{4097}, kSampleMemoryMappedFrom - 1, kSampleMemoryMappedFrom,
        kSampleMemoryMappedFrom + 4093, 3 * kSampleMemoryMappedFrom + 1}) {
    {
      platform::SampleMemory block = AllocateSampleMemory(bytes, false);
      ASSERT_NE(block, nullptr) << bytes;
      std::fill(block.get(), block.get() + bytes, uint8_t{0xA5});
      EXPECT_EQ(block[0], 0xA5);
      EXPECT_EQ(block[bytes - 1], 0xA5);
    }
    // Asked for right after a block of the same size was given back, which
    // the heap hands out again.
    platform::SampleMemory zeroed = AllocateSampleMemory(bytes, true);
    ASSERT_NE(zeroed, nullptr) << bytes;
    EXPECT_TRUE(std::all_of(zeroed.get(), zeroed.get() + bytes, [](uint8_t b) { return b == 0; }))
        << bytes;
    EXPECT_EQ(reinterpret_cast<uintptr_t>(zeroed.get()) % alignof(std::max_align_t), 0u);
    // Mapped blocks start on a huge page, so that the kernel can back them
    // with huge pages from their first byte.
    if (bytes >= kSampleMemoryMappedFrom) {
      EXPECT_EQ(reinterpret_cast<uintptr_t>(zeroed.get()) % (size_t{2} << 20), 0u) << bytes;
    }
  }
}

}  // namespace
