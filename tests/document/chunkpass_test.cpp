#include "document/chunkpass.h"

#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>
#include <thread>

namespace quillon {
namespace {

// A pass of sample positions: read fills each chunk with its positions, work negates them, write
// collects them; the result must be every position once, negated, in order, whatever the count.
std::vector<int64_t> PassPositions(uint64_t count, uint64_t frameSamples) {
  std::vector<int64_t> written;
  const std::thread::id caller = std::this_thread::get_id();
  TPassSteps steps;
  steps.read = [&](TPassChunk& chunk) {
    EXPECT_EQ(std::this_thread::get_id(), caller);
    EXPECT_EQ(chunk.count % frameSamples, 0u);
    for (uint64_t i = 0; i < chunk.count; ++i)
      chunk.samples[i] = static_cast<int16_t>((chunk.done + i) % 30000);
  };
  steps.work = [&](TPassChunk& chunk, uint64_t at, uint64_t n) {
    EXPECT_EQ(at % frameSamples, 0u);
    EXPECT_EQ(n % frameSamples, 0u);
    for (uint64_t i = at; i < at + n; ++i)
      chunk.samples[i] = static_cast<int16_t>(-chunk.samples[i]);
  };
  steps.write = [&](const TPassChunk& chunk) {
    EXPECT_EQ(std::this_thread::get_id(), caller);
    EXPECT_EQ(chunk.done, written.size());
    for (uint64_t i = 0; i < chunk.count; ++i) written.push_back(chunk.samples[i]);
  };
  RunChunkPass(count, frameSamples, steps);
  return written;
}

TEST(ChunkPassTest, EverySampleIsWorkedOnOnceAndWrittenInOrder) {
  for (uint64_t frameSamples : {1u, 2u}) {
    for (uint64_t count : {0ull, 2ull, 16384ull, 131072ull, 131074ull, 1000002ull}) {
      SCOPED_TRACE("count " + std::to_string(count) + ", frame " + std::to_string(frameSamples));
      std::vector<int64_t> written = PassPositions(count, frameSamples);
      ASSERT_EQ(written.size(), count);
      for (uint64_t i = 0; i < count; ++i)
        ASSERT_EQ(written[i], -static_cast<int64_t>(i % 30000)) << "sample " << i;
    }
  }
}

// A failure in any step ends the pass with that failure, and only once both threads have left
// the chunks (a step still running afterwards would write into freed memory, which the
// sanitizer builds see).
TEST(ChunkPassTest, AFailureInAnyStepEndsThePassWithIt) {
  for (const char* failing : {"read", "work", "write"}) {
    SCOPED_TRACE(failing);
    std::atomic<int> calls{0};
    auto fail = [&](const char* step) {
      if (std::string(step) == failing && ++calls == 3) throw std::runtime_error(step);
    };
    TPassSteps steps;
    steps.read = [&](TPassChunk&) { fail("read"); };
    steps.work = [&](TPassChunk& chunk, uint64_t at, uint64_t n) {
      fail("work");
      for (uint64_t i = at; i < at + n; ++i) chunk.samples[i] = 1;
    };
    steps.write = [&](const TPassChunk&) { fail("write"); };
    try {
      RunChunkPass(2000000, 2, steps);
      ADD_FAILURE() << "the pass did not fail";
    } catch (const std::runtime_error& e) {
      EXPECT_STREQ(e.what(), failing);
    }
  }
}

}  // namespace
}  // namespace quillon
