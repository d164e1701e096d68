#pragma once
// A dynamically typed value tree (null, integer, strings, arrays, string-keyed maps) with
// deep-copy semantics. Misuse throws ProtoValueException. One thread at a time.
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "Runtime/ProtoValueException.h"

class ProtoValue {
public:
    enum Kind : int32_t { kNull = 0, kInteger = 1, kScalar = 2, kBytes = 3, kWide = 4, kArray = 5, kMap = 6 };
    using Array = std::vector<ProtoValue>;
    using Map = std::map<std::wstring, ProtoValue>;

    explicit ProtoValue(Kind kind = kNull);
    ProtoValue(int64_t value);
    ProtoValue(const std::wstring& value);
    ProtoValue(const wchar_t* value) : ProtoValue(std::wstring(value)) {}
    ProtoValue(const ProtoValue& other);
    ProtoValue(ProtoValue&& other) noexcept;
    ProtoValue& operator=(const ProtoValue& other);
    ProtoValue& operator=(ProtoValue&& other) noexcept;
    ~ProtoValue();

    Kind kind() const { return m_kind; }
    void clear();
    ProtoValue& operator[](size_t index);
    ProtoValue& operator[](const std::wstring& key);
    bool hasKey(const std::wstring& key) const;
    size_t size() const;
    void append(const ProtoValue& value);
    int64_t& integer();
    std::wstring& string();

private:
    void swap(ProtoValue& other) noexcept;

    Kind m_kind = kNull;
    union {
        int64_t m_integer;
        uint64_t m_scalar;
        std::string* m_bytes;
        std::wstring* m_wide;
        Array* m_array;
        Map* m_map;
    };
};
