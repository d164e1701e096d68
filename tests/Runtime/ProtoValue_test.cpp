#include "Runtime/ProtoValue.h"

#include <gtest/gtest.h>

// Key access on null makes a map holding one null entry.
TEST(ProtoValue, KeyAccessOnNullMakesMap) {
    ProtoValue v;
    v[L"process"];
    EXPECT_EQ(ProtoValue::kMap, v.kind());
    EXPECT_TRUE(v.hasKey(L"process"));
    EXPECT_EQ(1u, v.size());
    EXPECT_EQ(ProtoValue::kNull, v[L"process"].kind());
    EXPECT_FALSE(ProtoValue(int64_t(5)).hasKey(L"process"));
}

// Index access appends at exactly the size and refuses anything above it.
TEST(ProtoValue, IndexAccessBounds) {
    ProtoValue v;
    v[0] = int64_t(10);
    v[1] = int64_t(11);
    EXPECT_EQ(2u, v.size());
    try {
        v[3];
        FAIL() << "expected a throw";
    } catch (const ProtoValueException& e) {
        EXPECT_EQ(1, e.m_code);
        EXPECT_EQ(L"ProtoValue operator[int] out of range", e.m_message);
    }
    EXPECT_EQ(2u, v.size());
    EXPECT_EQ(11, v[1].integer());

    ProtoValue null;
    EXPECT_THROW(null[1], ProtoValueException);
    EXPECT_EQ(ProtoValue::kArray, null.kind()) << "the null value became an array before the throw";

    ProtoValue text(L"s");
    EXPECT_THROW(text[0], ProtoValueException);
}

// Misuse codes and messages of the typed reads and key access.
TEST(ProtoValue, WrongTypeReads) {
    ProtoValue map(ProtoValue::kMap);
    try {
        map.integer();
        FAIL();
    } catch (const ProtoValueException& e) {
        EXPECT_EQ(3, e.m_code);
        EXPECT_EQ(L"ProtoValue::integer wrong type", e.m_message);
    }
    try {
        ProtoValue(int64_t(1)).string();
        FAIL();
    } catch (const ProtoValueException& e) {
        EXPECT_EQ(3, e.m_code);
        EXPECT_EQ(L"ProtoValue::string wrong type", e.m_message);
    }
    try {
        ProtoValue(ProtoValue::kArray)[L"k"];
        FAIL();
    } catch (const ProtoValueException& e) {
        EXPECT_EQ(2, e.m_code);
        EXPECT_EQ(L"ProtoValue operator[string] wrong type", e.m_message);
    }
    EXPECT_THROW(ProtoValue(ProtoValue::kBytes).string(), ProtoValueException);

    ProtoValue null;
    EXPECT_EQ(0, null.integer());
    EXPECT_EQ(L"", null.string());
    EXPECT_EQ(ProtoValue::kNull, null.kind()) << "reads never change a null value";
}

// Copies are deep: changing the copy leaves the original alone.
TEST(ProtoValue, CopiesAreDeep) {
    ProtoValue a;
    a[L"process"][L"total"] = int64_t(100);
    a[L"list"].append(ProtoValue(L"x"));
    ProtoValue b = a;
    b[L"process"][L"total"] = int64_t(5);
    b[L"list"][0].string() = L"y";
    b[L"new"];
    EXPECT_EQ(100, a[L"process"][L"total"].integer());
    EXPECT_EQ(L"x", a[L"list"][0].string());
    EXPECT_FALSE(a.hasKey(L"new"));
    a = a;  // self-assignment keeps the value
    EXPECT_EQ(100, a[L"process"][L"total"].integer());
    a = b;
    EXPECT_EQ(5, a[L"process"][L"total"].integer());
}

// clear releases a nested tree and leaves null; append of an own element is safe.
TEST(ProtoValue, ClearAndSelfAppend) {
    ProtoValue v;
    for (int i = 0; i < 100; ++i)
        v[L"k"][static_cast<size_t>(i)][L"deep"] = int64_t(i);
    v.clear();
    EXPECT_EQ(ProtoValue::kNull, v.kind());
    EXPECT_EQ(0u, v.size());

    ProtoValue list;
    list.append(ProtoValue(L"first"));
    for (int i = 0; i < 20; ++i)
        list.append(list[0]);
    EXPECT_EQ(21u, list.size());
    EXPECT_EQ(L"first", list[20].string());
}
