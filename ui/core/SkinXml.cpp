#include "ui/core/SkinXml.h"

#include <cwchar>
#include <cwctype>
#include <vector>

#include "ui/core/SkinResources.h"

namespace SkinUI {

namespace {

constexpr ULONG kFirstReserve = 500;
// Each nesting level costs one parser frame; deeper documents are refused instead of exhausting the stack.
constexpr int kMaxDepth = 1000;

struct TEntity {
    const wchar_t* text;
    size_t length;
    wchar_t value;
};

constexpr TEntity kEntities[] = {
    {L"&amp;", 5, L'&'}, {L"&lt;", 4, L'<'}, {L"&gt;", 4, L'>'}, {L"&quot;", 6, L'"'}, {L"&apos;", 6, L'\''},
};

bool IsBlank(wchar_t c) {
    return c >= 1 && c <= 32;
}

void SkipWhitespace(wchar_t*& p) {
    while (IsBlank(*p))
        ++p;
}

void SkipWhitespace(const wchar_t*& p) {
    while (IsBlank(*p))
        ++p;
}

void SkipIdentifier(wchar_t*& p) {
    while (*p == L'_' || *p == L':' || iswalnum(*p))
        ++p;
}

void CopyCut(wchar_t* to, SIZE_T capacity, const wchar_t* from) {
    if (to == nullptr || capacity == 0)
        return;
    SIZE_T i = 0;
    for (; from != nullptr && i + 1 < capacity && from[i] != L'\0'; ++i)
        to[i] = from[i];
    to[i] = L'\0';
}

}  // namespace

// ---- CSkinXmlNode ----

CSkinXmlNode CSkinXmlNode::GetParent() const {
    if (m_owner == nullptr)
        return CSkinXmlNode();
    const ULONG parent = m_owner->m_elements[m_element].parent;
    return parent == 0 ? CSkinXmlNode() : CSkinXmlNode(m_owner, parent);
}

CSkinXmlNode CSkinXmlNode::GetSibling() const {
    if (m_owner == nullptr)
        return CSkinXmlNode();
    const ULONG next = m_owner->m_elements[m_element].next;
    return next == 0 ? CSkinXmlNode() : CSkinXmlNode(m_owner, next);
}

CSkinXmlNode CSkinXmlNode::GetChild() const {
    if (m_owner == nullptr)
        return CSkinXmlNode();
    const ULONG child = m_owner->m_elements[m_element].child;
    return child == 0 ? CSkinXmlNode() : CSkinXmlNode(m_owner, child);
}

CSkinXmlNode CSkinXmlNode::GetChild(const wchar_t* name) const {
    if (m_owner == nullptr || name == nullptr)
        return CSkinXmlNode();
    for (ULONG child = m_owner->m_elements[m_element].child; child != 0;
         child = m_owner->m_elements[child].next) {
        if (wcscmp(m_owner->m_text.get() + m_owner->m_elements[child].start, name) == 0)
            return CSkinXmlNode(m_owner, child);
    }
    return CSkinXmlNode();
}

bool CSkinXmlNode::HasSiblings() const {
    return m_owner != nullptr && m_owner->m_elements[m_element].next != 0;
}

bool CSkinXmlNode::HasChildren() const {
    return m_owner != nullptr && m_owner->m_elements[m_element].child != 0;
}

const wchar_t* CSkinXmlNode::GetName() const {
    return m_owner == nullptr ? L"" : m_owner->m_text.get() + m_owner->m_elements[m_element].start;
}

const wchar_t* CSkinXmlNode::GetValue() const {
    return m_owner == nullptr ? L"" : m_owner->m_text.get() + m_owner->m_elements[m_element].data;
}

void CSkinXmlNode::MapAttributes() const {
    if (m_mapped)
        return;
    m_mapped = true;
    m_attributeCount = 0;
    if (m_owner == nullptr)
        return;
    const wchar_t* text = m_owner->m_text.get();
    const CSkinXml::TElement& e = m_owner->m_elements[m_element];
    const wchar_t* data = text + e.data;
    const wchar_t* p = text + e.start;
    p += wcslen(p) + 1;
    while (p < data && m_attributeCount < kMaxAttributes) {
        SkipWhitespace(p);
        if (p >= data || *p == L'\0' || *p == L'>')
            return;
        const wchar_t* name = p;
        p += wcslen(p) + 1;
        SkipWhitespace(p);
        if (*p != L'"')
            return;
        ++p;
        m_attributes[m_attributeCount][0] = static_cast<ULONG>(name - text);
        m_attributes[m_attributeCount][1] = static_cast<ULONG>(p - text);
        ++m_attributeCount;
        p += wcslen(p) + 1;
    }
}

bool CSkinXmlNode::HasAttributes() const {
    return GetAttributeCount() > 0;
}

bool CSkinXmlNode::HasAttribute(const wchar_t* name) const {
    wchar_t ignored[1];
    return GetAttributeValue(name, ignored, 1);
}

int CSkinXmlNode::GetAttributeCount() const {
    MapAttributes();
    return static_cast<int>(m_attributeCount);
}

const wchar_t* CSkinXmlNode::GetAttributeName(int index) const {
    if (index < 0 || index >= GetAttributeCount())
        return L"";
    return m_owner->m_text.get() + m_attributes[index][0];
}

const wchar_t* CSkinXmlNode::GetAttributeValue(int index) const {
    if (index < 0 || index >= GetAttributeCount())
        return L"";
    return m_owner->m_text.get() + m_attributes[index][1];
}

const wchar_t* CSkinXmlNode::GetAttributeValue(const wchar_t* name) const {
    if (name == nullptr)
        return L"";
    const int count = GetAttributeCount();
    for (int i = 0; i < count; ++i) {
        if (wcscmp(m_owner->m_text.get() + m_attributes[i][0], name) == 0)
            return m_owner->m_text.get() + m_attributes[i][1];
    }
    return L"";
}

bool CSkinXmlNode::GetAttributeValue(const wchar_t* name, wchar_t* buffer, SIZE_T bufferChars) const {
    if (name == nullptr)
        return false;
    const int count = GetAttributeCount();
    for (int i = 0; i < count; ++i) {
        if (wcscmp(m_owner->m_text.get() + m_attributes[i][0], name) == 0) {
            const SIZE_T capacity = bufferChars < kMaxCopiedValue + 1 ? bufferChars : kMaxCopiedValue + 1;
            CopyCut(buffer, capacity, m_owner->m_text.get() + m_attributes[i][1]);
            return true;
        }
    }
    return false;
}

// ---- CSkinXml ----

bool CSkinXml::Load(const wchar_t* xmlText) {
    Release();
    if (xmlText == nullptr)
        return Fail(L"Expected start tag", nullptr);
    const size_t length = wcslen(xmlText);
    m_text = std::make_unique<wchar_t[]>(length + 1);
    wmemcpy(m_text.get(), xmlText, length + 1);
    if (!Parse()) {
        Release();
        return false;
    }
    return true;
}

bool CSkinXml::LoadFromMem(const BYTE* bytes, DWORD size) {
    Release();
    if (bytes == nullptr)
        size = 0;
    if (size >= 3 && bytes[0] == 0xEF && bytes[1] == 0xBB && bytes[2] == 0xBF) {
        bytes += 3;
        size -= 3;
    }
    if (size > static_cast<DWORD>(INT_MAX))
        return Fail(L"File too large", nullptr);
    const int chars =
        size == 0 ? 0
                  : MultiByteToWideChar(CP_UTF8, 0, reinterpret_cast<const char*>(bytes), size, nullptr, 0);
    m_text = std::make_unique<wchar_t[]>(static_cast<size_t>(chars) + 1);
    if (chars > 0)
        MultiByteToWideChar(CP_UTF8, 0, reinterpret_cast<const char*>(bytes), size, m_text.get(), chars);
    m_text[chars] = L'\0';
    if (!Parse()) {
        Release();
        return false;
    }
    return true;
}

bool CSkinXml::LoadFromFile(const wchar_t* fileName) {
    Release();
    std::vector<BYTE> bytes;
    const wchar_t* error = nullptr;
    if (fileName == nullptr || !CSkinResources::ReadSkinFile(fileName, kMaxSkinFileSize, bytes, &error))
        return Fail(error != nullptr ? error : L"Error opening file", nullptr);
    return LoadFromMem(bytes.data(), static_cast<DWORD>(bytes.size()));
}

void CSkinXml::Release() {
    m_text.reset();
    m_elements.reset();
    m_elementCount = 0;
    m_reservedCount = 0;
}

void CSkinXml::GetLastErrorMessage(wchar_t* buffer, SIZE_T max) const {
    CopyCut(buffer, max, m_errorMessage);
}

void CSkinXml::GetLastErrorLocation(wchar_t* buffer, SIZE_T max) const {
    CopyCut(buffer, max, m_errorLocation);
}

CSkinXmlNode CSkinXml::GetRoot() const {
    return m_elementCount > 1 ? CSkinXmlNode(this, 1) : CSkinXmlNode();
}

bool CSkinXml::Fail(const wchar_t* message, const wchar_t* location) {
    CopyCut(m_errorMessage, std::size(m_errorMessage), message);
    CopyCut(m_errorLocation, std::size(m_errorLocation), location);
    return false;
}

ULONG CSkinXml::ReserveElement() {
    if (m_elementCount == m_reservedCount) {
        const ULONG reserve = m_reservedCount + m_reservedCount / 2 + kFirstReserve;
        auto grown = std::make_unique<TElement[]>(reserve);
        for (ULONG i = 0; i < m_elementCount; ++i)
            grown[i] = m_elements[i];
        m_elements = std::move(grown);
        m_reservedCount = reserve;
    }
    m_elements[m_elementCount] = TElement{};
    return m_elementCount++;
}

bool CSkinXml::Parse() {
    m_elementCount = 0;
    ReserveElement();
    m_errorMessage[0] = L'\0';
    m_errorLocation[0] = L'\0';
    wchar_t* p = m_text.get();
    return ParseLevel(p, 0, 0);
}

wchar_t* CSkinXml::ParseData(wchar_t*& p, wchar_t end) {
    wchar_t* write = p;
    while (*p != L'\0' && *p != end) {
        if (*p == L'&') {
            const TEntity* entity = nullptr;
            for (const TEntity& e : kEntities) {
                if (wcsncmp(p, e.text, e.length) == 0) {
                    entity = &e;
                    break;
                }
            }
            if (entity != nullptr) {
                *write++ = entity->value;
                p += entity->length;
            } else {
                *write++ = *p++;
            }
            continue;
        }
        const bool blank = *p == L' ';
        *write++ = *p++;
        if (blank && !m_preserveWhitespace)
            SkipWhitespace(p);
    }
    // Blanks over the gap let the attribute scan of a node step over a value that shrank.
    if (write < p) {
        *write = L'\0';
        for (wchar_t* q = write + 1; q < p; ++q)
            *q = L' ';
    }
    return write;
}

bool CSkinXml::ParseAttributes(wchar_t*& p) {
    // An element written <a/> has no attributes, and its '/' must survive for the empty-element check.
    if (*p == L'>' || *p == L'/')
        return true;
    *p++ = L'\0';
    SkipWhitespace(p);
    while (*p != L'\0' && *p != L'>' && *p != L'/') {
        wchar_t* name = p;
        SkipIdentifier(p);
        wchar_t* nameEnd = p;
        SkipWhitespace(p);
        if (*p != L'=')
            return Fail(L"Error while parsing attributes", p);
        *p = L' ';
        *nameEnd = L'\0';
        ++p;
        SkipWhitespace(p);
        if (*p != L'"')
            return Fail(L"Expected attribute value", p);
        ++p;
        wchar_t* valueEnd = ParseData(p, L'"');
        if (*p == L'\0')
            return Fail(L"Error while parsing attribute string", name);
        *p = valueEnd < p ? L' ' : L'\0';
        ++p;
        SkipWhitespace(p);
    }
    return true;
}

bool CSkinXml::ParseLevel(wchar_t*& p, ULONG parent, int depth) {
    wchar_t* const text = m_text.get();
    ULONG previous = 0;
    for (;;) {
        SkipWhitespace(p);
        if (*p == L'\0' && parent <= 1)
            return true;
        if (*p != L'<')
            return Fail(L"Expected start tag", p);
        if (p[1] == L'/')
            return true;
        if (depth >= kMaxDepth)
            return Fail(L"Expected start tag", p);
        *p++ = L'\0';
        SkipWhitespace(p);
        if (*p == L'!' || *p == L'?') {
            wchar_t* close = wcsstr(p, *p == L'?' ? L"?>" : L"->");
            if (close != nullptr)
                p = close + 2;
            continue;
        }

        const ULONG index = ReserveElement();
        m_elements[index].start = static_cast<ULONG>(p - text);
        m_elements[index].parent = parent;
        if (previous != 0)
            m_elements[previous].next = index;
        else if (parent != 0)
            m_elements[parent].child = index;
        previous = index;

        wchar_t* name = p;
        SkipIdentifier(p);
        if (*p == L'\0')
            return Fail(L"Error parsing element name", name);
        wchar_t* nameEnd = p;
        if (!ParseAttributes(p))
            return false;
        SkipWhitespace(p);
        if (p[0] == L'/' && p[1] == L'>') {
            m_elements[index].data = static_cast<ULONG>(p - text);
            *p = L'\0';
            p += 2;
            *nameEnd = L'\0';
        } else {
            if (*p != L'>')
                return Fail(L"Expected start-tag closing", p);
            ++p;
            *nameEnd = L'\0';
            m_elements[index].data = static_cast<ULONG>(p - text);
            ParseData(p, L'<');
            if (*p == L'\0' && parent <= 1)
                return true;
            if (*p != L'<')
                return Fail(L"Expected end-tag start", p);
            if (p[1] != L'/' && !ParseLevel(p, index, depth + 1))
                return false;
            if (p[0] == L'<' && p[1] == L'/') {
                *p = L'\0';
                p += 2;
                SkipWhitespace(p);
                const size_t nameLength = static_cast<size_t>(nameEnd - name);
                if (wcsncmp(p, name, nameLength) != 0)
                    return Fail(L"Unmatched closing tag", p);
                p += nameLength;
                SkipWhitespace(p);
                if (*p != L'>')
                    return Fail(L"Unmatched closing tag", *p != L'\0' ? p + 1 : p);
                ++p;
            }
        }
    }
}

}  // namespace SkinUI
