// The string-keyed map of the paint manager's registries: its hash, bucket count, insert/set rules
// and move-to-front lookups.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ui/core/PointerArray.h"
#include "ui/core/StringPtrMap.h"

using SkinUI::CPointerArray;
using SkinUI::CStringPtrMap;

namespace {

int g_values[4];

std::vector<std::wstring> KeysInOrder(const CStringPtrMap& map) {
    std::vector<std::wstring> keys;
    map.ForEach([&](const std::wstring& key, LPVOID) { keys.push_back(key); });
    return keys;
}

// The hash runs from the last character to the first: h = h * 33 + c.
TEST(StringPtrMapTest, HashRunsBackwardTimesThirtyThree) {
    EXPECT_EQ(CStringPtrMap::HashKey(L""), 0u);
    EXPECT_EQ(CStringPtrMap::HashKey(L"ab"), 98u * 33u + 97u);
    EXPECT_EQ(CStringPtrMap::HashKey(L"ba"), 97u * 33u + 98u);
    // 32-bit wrap-around is part of the function.
    UINT h = 0;
    const std::wstring longKey(40, L'z');
    for (size_t i = longKey.size(); i > 0; --i)
        h = h * 33 + longKey[i - 1];
    EXPECT_EQ(CStringPtrMap::HashKey(longKey.c_str()), h);
    EXPECT_EQ(CStringPtrMap().GetBucketCount(), 83);
}

// Insert refuses an existing key; Set replaces and hands back the old value; Remove and Resize drop.
TEST(StringPtrMapTest, InsertSetFindRemove) {
    CStringPtrMap map;
    EXPECT_TRUE(map.Insert(L"name", &g_values[0]));
    EXPECT_FALSE(map.Insert(L"name", &g_values[1]));
    EXPECT_EQ(map.Find(L"name"), &g_values[0]);
    EXPECT_EQ(map.Find(L"Name"), nullptr) << "keys compare case-sensitively";
    EXPECT_EQ(map.Set(L"name", &g_values[1]), &g_values[0]);
    EXPECT_EQ(map.Find(L"name"), &g_values[1]);
    EXPECT_EQ(map.Set(L"other", &g_values[2]), nullptr);
    EXPECT_EQ(map.GetSize(), 2);
    EXPECT_TRUE(map.Remove(L"name"));
    EXPECT_FALSE(map.Remove(L"name"));
    EXPECT_EQ(map.Find(L"name"), nullptr);
    map.Resize(7);
    EXPECT_EQ(map.GetSize(), 0);
    EXPECT_EQ(map.GetBucketCount(), 7);
    EXPECT_EQ(map.Find(L"other"), nullptr);
}

// Keys of one bucket: a new key goes to the front, and a found key moves to the front unless the
// lookup asks not to optimise.
TEST(StringPtrMapTest, FoundItemMovesToTheFrontOfItsBucket) {
    std::vector<std::wstring> sameBucket;
    const UINT target = CStringPtrMap::HashKey(L"aa") % 83;
    for (wchar_t a = L'a'; a <= L'z' && sameBucket.size() < 3; ++a) {
        for (wchar_t b = L'a'; b <= L'z' && sameBucket.size() < 3; ++b) {
            const std::wstring key = {a, b};
            if (CStringPtrMap::HashKey(key.c_str()) % 83 == target)
                sameBucket.push_back(key);
        }
    }
    ASSERT_EQ(sameBucket.size(), 3u);
    CStringPtrMap map;
    for (size_t i = 0; i < 3; ++i)
        map.Insert(sameBucket[i].c_str(), &g_values[i]);
    EXPECT_EQ(KeysInOrder(map), (std::vector<std::wstring>{sameBucket[2], sameBucket[1], sameBucket[0]}));
    EXPECT_EQ(map.Find(sameBucket[0].c_str(), false), &g_values[0]);
    EXPECT_EQ(KeysInOrder(map)[0], sameBucket[2]);
    EXPECT_EQ(map.Find(sameBucket[0].c_str()), &g_values[0]);
    EXPECT_EQ(KeysInOrder(map), (std::vector<std::wstring>{sameBucket[0], sameBucket[2], sameBucket[1]}));
}

// Remove by index shifts the tail; Find gives the first occurrence.
TEST(PointerArrayTest, RemoveShiftsTheTail) {
    CPointerArray array;
    for (int& v : g_values)
        array.Add(&v);
    EXPECT_TRUE(array.Remove(1));
    EXPECT_FALSE(array.Remove(3));
    ASSERT_EQ(array.GetSize(), 3);
    EXPECT_EQ(array[1], &g_values[2]);
    EXPECT_EQ(array.Find(&g_values[3]), 2);
    EXPECT_EQ(array.Find(&g_values[1]), -1);
    EXPECT_EQ(array.GetAt(5), nullptr);
    array.Empty();
    EXPECT_TRUE(array.IsEmpty());
}

}  // namespace
