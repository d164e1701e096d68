#include "Runtime/ProtoValue.h"

#include <utility>

namespace {
// Typed reads of a null value answer these, so a read never changes the value.
int64_t g_zero = 0;
std::wstring g_empty;
}  // namespace

ProtoValue::ProtoValue(Kind kind) : m_kind(kind), m_integer(0) {
    switch (kind) {
        case kBytes: m_bytes = new std::string(); break;
        case kWide: m_wide = new std::wstring(); break;
        case kArray: m_array = new Array(); break;
        case kMap: m_map = new Map(); break;
        default: break;
    }
}

ProtoValue::ProtoValue(int64_t value) : m_kind(kInteger), m_integer(value) {}

ProtoValue::ProtoValue(const std::wstring& value) : m_kind(kWide), m_wide(new std::wstring(value)) {}

ProtoValue::ProtoValue(const ProtoValue& other) : m_kind(other.m_kind), m_integer(0) {
    switch (m_kind) {
        case kInteger: m_integer = other.m_integer; break;
        case kScalar: m_scalar = other.m_scalar; break;
        case kBytes: m_bytes = new std::string(*other.m_bytes); break;
        case kWide: m_wide = new std::wstring(*other.m_wide); break;
        case kArray: m_array = new Array(*other.m_array); break;
        case kMap: m_map = new Map(*other.m_map); break;
        default: break;
    }
}

ProtoValue::ProtoValue(ProtoValue&& other) noexcept : m_kind(kNull), m_integer(0) {
    swap(other);
}

ProtoValue& ProtoValue::operator=(const ProtoValue& other) {
    if (this != &other) {
        ProtoValue copy(other);  // built first: the old payload goes only once the copy exists
        swap(copy);
    }
    return *this;
}

ProtoValue& ProtoValue::operator=(ProtoValue&& other) noexcept {
    if (this != &other) {
        ProtoValue taken(std::move(other));
        swap(taken);
    }
    return *this;
}

ProtoValue::~ProtoValue() {
    clear();
}

void ProtoValue::swap(ProtoValue& other) noexcept {
    std::swap(m_kind, other.m_kind);
    std::swap(m_scalar, other.m_scalar);
}

void ProtoValue::clear() {
    switch (m_kind) {
        case kBytes: delete m_bytes; break;
        case kWide: delete m_wide; break;
        case kArray: delete m_array; break;
        case kMap: delete m_map; break;
        default: break;
    }
    m_kind = kNull;
    m_integer = 0;
}

ProtoValue& ProtoValue::operator[](size_t index) {
    if (m_kind == kNull)
        *this = ProtoValue(kArray);
    if (m_kind == kArray && index <= m_array->size()) {
        if (index == m_array->size())
            m_array->emplace_back();
        return (*m_array)[index];
    }
    throw ProtoValueException(ProtoValueException::kIndexOutOfRange, L"ProtoValue operator[int] out of range");
}

ProtoValue& ProtoValue::operator[](const std::wstring& key) {
    if (m_kind == kNull)
        *this = ProtoValue(kMap);
    if (m_kind != kMap)
        throw ProtoValueException(ProtoValueException::kKeyWrongType, L"ProtoValue operator[string] wrong type");
    return (*m_map)[key];
}

bool ProtoValue::hasKey(const std::wstring& key) const {
    return m_kind == kMap && m_map->count(key) != 0;
}

size_t ProtoValue::size() const {
    if (m_kind == kArray)
        return m_array->size();
    if (m_kind == kMap)
        return m_map->size();
    return 0;
}

void ProtoValue::append(const ProtoValue& value) {
    // Copy first: value may live inside this array and move when it grows.
    ProtoValue copy(value);
    (*this)[size()] = std::move(copy);
}

int64_t& ProtoValue::integer() {
    if (m_kind == kNull) {
        g_zero = 0;
        return g_zero;
    }
    if (m_kind != kInteger)
        throw ProtoValueException(ProtoValueException::kReadWrongType, L"ProtoValue::integer wrong type");
    return m_integer;
}

std::wstring& ProtoValue::string() {
    if (m_kind == kNull) {
        g_empty.clear();
        return g_empty;
    }
    if (m_kind != kWide)
        throw ProtoValueException(ProtoValueException::kReadWrongType, L"ProtoValue::string wrong type");
    return *m_wide;
}
