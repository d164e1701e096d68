// SHA-256 on the CPU's SHA extensions against the system's provider: the same digest for every
// length around the padding boundaries and for a large input fed in uneven pieces.
#include "Runtime/PlatformHash.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

namespace {

std::string Digest(const std::string& data, CPlatformHash::Engine engine, size_t piece) {
    CPlatformHash hash(CPlatformHash::Algorithm::kSha256, engine);
    for (size_t at = 0; at < data.size(); at += piece)
        hash.Update(data.data() + at, std::min(piece, data.size() - at));
    return hash.FinishHex();
}

}  // namespace

TEST(PlatformHashTest, CpuSha256EqualsTheProvider) {
    if (!CSha256Ni::IsSupported())
        GTEST_SKIP() << "this CPU has no SHA extensions";
    EXPECT_EQ(Digest("abc", CPlatformHash::Engine::kFastest, 3),
              "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
    std::string data(3 * 1024 * 1024 + 77, '\0');
    for (size_t i = 0; i < data.size(); ++i)
        data[i] = static_cast<char>((i * 2654435761u) >> 13);
    for (size_t length = 0; length <= 200; ++length) {
        const std::string part = data.substr(0, length);
        ASSERT_EQ(Digest(part, CPlatformHash::Engine::kFastest, 7),
                  Digest(part, CPlatformHash::Engine::kSystem, length + 1))
            << length << " bytes";
    }
    EXPECT_EQ(Digest(data, CPlatformHash::Engine::kFastest, 65537),
              Digest(data, CPlatformHash::Engine::kSystem, data.size()));
}
