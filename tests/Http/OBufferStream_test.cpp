// The in-memory body: grows by doubling and keeps every byte, up to a fixed bound.
#include "Http/OBufferStream.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// Writes in libcurl-sized pieces across several doublings keep the bytes in order.
TEST(OBufferStreamTest, GrowsAndKeepsBytes) {
    OBufferStream stream;
    std::string expected;
    std::vector<char> piece(16 * 1024);
    for (int i = 0; i < 600; ++i) {
        for (size_t k = 0; k < piece.size(); ++k)
            piece[k] = static_cast<char>((i * 31 + k) % 253);
        ASSERT_EQ(stream.Write(piece.data(), static_cast<unsigned>(piece.size())),
                  static_cast<int>(piece.size()));
        expected.append(piece.data(), piece.size());
    }
    ASSERT_EQ(stream.Length(), expected.size());
    EXPECT_TRUE(std::string(stream.Data(), stream.Length()) == expected);
}

// Up to the bound every write succeeds; one byte more fails and changes nothing.
TEST(OBufferStreamTest, RefusesWritesPastTheBound) {
    OBufferStream stream;
    std::vector<char> block(4 * 1024 * 1024, 'z');
    size_t written = 0;
    while (written < OBufferStream::kMaxBodySize) {
        ASSERT_EQ(stream.Write(block.data(), static_cast<unsigned>(block.size())),
                  static_cast<int>(block.size()));
        written += block.size();
    }
    ASSERT_EQ(stream.Length(), OBufferStream::kMaxBodySize);
    EXPECT_EQ(stream.Write("x", 1), -1);
    EXPECT_EQ(stream.Length(), OBufferStream::kMaxBodySize);
    EXPECT_EQ(stream.ErrorType(), 0) << "the failure surfaces as libcurl's write error";
}

// After Clear the stream grows again from nothing.
TEST(OBufferStreamTest, ClearStartsOver) {
    OBufferStream stream;
    ASSERT_EQ(stream.Write("abc", 3), 3);
    stream.Clear();
    EXPECT_EQ(stream.Length(), 0u);
    ASSERT_EQ(stream.Write("de", 2), 2);
    EXPECT_EQ(std::string(stream.Data(), stream.Length()), "de");
}

}  // namespace
