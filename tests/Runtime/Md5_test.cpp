#include "Runtime/Md5.h"

#include <gtest/gtest.h>

#include "tests/support/TestEnv.h"

// The test suite of RFC 1321.
TEST(Md5, ReferenceVectors) {
    struct Case {
        const char* input;
        const char* digest;
    } cases[] = {
        {"", "d41d8cd98f00b204e9800998ecf8427e"},
        {"a", "0cc175b9c0f1b6a831c399e269772661"},
        {"abc", "900150983cd24fb0d6963f7d28e17f72"},
        {"message digest", "f96b697d7cb7938d525a2f31aaf161d0"},
        {"abcdefghijklmnopqrstuvwxyz", "c3fcd3d76192e4007dfb496cca67e13b"},
        {"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789", "d174ab98d277d9f5a5611c2c9f419d9f"},
        {"12345678901234567890123456789012345678901234567890123456789012345678901234567890",
         "57edf4a22be3c955ac49da2e2107b67a"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.digest, CMd5::OfString(c.input)) << c.input;
}

// Feeding in uneven pieces gives the same digest as one piece, across block boundaries.
TEST(Md5, IncrementalMatchesWholeAndFile) {
    std::string data;
    for (int i = 0; i < 5000; ++i)
        data += static_cast<char>(i * 7 + 3);
    const std::string whole = CMd5::OfString(data);
    CMd5 pieces;
    for (size_t at = 0, step = 1; at < data.size(); at += step, step = step % 97 + 13)
        pieces.Update(data.data() + at, std::min(step, data.size() - at));
    EXPECT_EQ(whole, pieces.FinishHex());

    TestEnv::TempDir dir(L"md5");
    ASSERT_TRUE(TestEnv::WriteFileBytes(dir.File(L"f"), data));
    EXPECT_EQ(whole, CMd5::OfFile(dir.File(L"f")));
    EXPECT_EQ("", CMd5::OfFile(dir.File(L"missing")));
}
