// The writer thread: what reaches the sink, in what pieces, and how a failed
// write stops the rest. The same on the caller's thread.
#include "platform/OverlappedWriter.hpp"

#include <gtest/gtest.h>

#include <cerrno>
#include <mutex>
#include <string>
#include <vector>

namespace quilvane::testing {
namespace {

class Writer : public ::testing::TestWithParam<bool> {
public:
    // Records every chunk; fails the write that would start at `failAt`.
    OverlappedWriter::Sink sink(std::uint64_t failAt = ~std::uint64_t{0})
    {
        return [this, failAt](std::string_view chunk, std::uint64_t done, int& error) {
            const std::lock_guard guard(lock);
            if (done == failAt) {
                error = ENOSPC;
                return false;
            }
            EXPECT_EQ(done, written.size()) << "chunks out of order";
            chunks.emplace_back(chunk);
            written += chunk;
            return true;
        };
    }

    std::mutex lock;
    std::vector<std::string> chunks;
    std::string written;
    std::vector<std::uint64_t> told;
};

TEST_P(Writer, GathersStretchesIntoFullBuffersAndTellsEachOne)
{
    OverlappedWriter::Gathering gathering;
    gathering.bufferSize = 8;
    gathering.alignment = 8;
    gathering.buffers = 2;
    OverlappedWriter writer(sink(), gathering, [&](std::uint64_t n) { told.push_back(n); }, GetParam());
    for (const char* stretch : {"abc", "", "defghij", "klmnopqrstuvw", "x"}) {
        ASSERT_TRUE(writer.put(stretch));
    }
    EXPECT_EQ(writer.finish(), 0);
    EXPECT_EQ(written, "abcdefghijklmnopqrstuvwx");
    EXPECT_EQ(chunks, (std::vector<std::string>{"abcdefgh", "ijklmnop", "qrstuvwx"}));
    EXPECT_EQ(told, (std::vector<std::uint64_t>{8, 16, 24}));
}

TEST_P(Writer, HandsStretchesOverWhereTheyLie)
{
    const std::string text = "one two three";
    OverlappedWriter writer(sink(), {}, {}, GetParam());
    ASSERT_TRUE(writer.put(std::string_view(text).substr(0, 4)));
    ASSERT_TRUE(writer.put(std::string_view(text).substr(4)));
    EXPECT_EQ(writer.finish(), 0);
    EXPECT_EQ(chunks, (std::vector<std::string>{"one ", "two three"}));
}

TEST_P(Writer, AFailedWriteStopsTheRestAndIsReported)
{
    OverlappedWriter::Gathering gathering;
    gathering.bufferSize = 4;
    gathering.alignment = 4;
    OverlappedWriter writer(sink(8), gathering, {}, GetParam());
    bool accepted = true;
    for (int i = 0; i < 100 && accepted; ++i) {
        accepted = writer.put("abcd");
    }
    EXPECT_EQ(writer.finish(), ENOSPC);
    EXPECT_EQ(written, "abcdabcd") << "nothing may be written after the failed write";
    EXPECT_FALSE(accepted) << "put() goes on accepting stretches after the failure";
}

INSTANTIATE_TEST_SUITE_P(Threads, Writer, ::testing::Values(true, false),
                         [](const ::testing::TestParamInfo<bool>& info) {
                             return std::string(info.param ? "OnItsOwnThread" : "OnTheCallersThread");
                         });

}  // namespace
}  // namespace quilvane::testing
