#pragma once
// A small non-validating XML parser for skin files, and the node handle that walks its tree.
// Parsing works in place on one UTF-16 copy of the document with no per-node allocation. UI thread only;
// nodes stay valid while their document lives and is not reloaded.
#include <windows.h>

#include <memory>

namespace SkinUI {

class CSkinXml;

class CSkinXmlNode {
public:
    CSkinXmlNode() = default;

    bool IsValid() const { return m_owner != nullptr; }
    CSkinXmlNode GetParent() const;
    CSkinXmlNode GetSibling() const;
    CSkinXmlNode GetChild() const;
    CSkinXmlNode GetChild(const wchar_t* name) const;
    bool HasSiblings() const;
    bool HasChildren() const;
    // Empty string for an invalid node.
    const wchar_t* GetName() const;
    const wchar_t* GetValue() const;

    bool HasAttributes() const;
    bool HasAttribute(const wchar_t* name) const;
    int GetAttributeCount() const;
    // Empty string for an index out of range.
    const wchar_t* GetAttributeName(int index) const;
    const wchar_t* GetAttributeValue(int index) const;
    // Empty string when absent.
    const wchar_t* GetAttributeValue(const wchar_t* name) const;
    // Copies at most kMaxCopiedValue characters and a terminator; false when the attribute is absent.
    bool GetAttributeValue(const wchar_t* name,
                           wchar_t* buffer,
                           SIZE_T bufferChars = kMaxCopiedValue + 1) const;

    static constexpr int kMaxAttributes = 64;
    static constexpr SIZE_T kMaxCopiedValue = 499;

private:
    friend class CSkinXml;
    CSkinXmlNode(const CSkinXml* owner, ULONG element) : m_owner(owner), m_element(element) {}
    void MapAttributes() const;

    const CSkinXml* m_owner = nullptr;
    ULONG m_element = 0;
    mutable bool m_mapped = false;
    mutable ULONG m_attributeCount = 0;
    // Offsets into the document text: name, value.
    mutable ULONG m_attributes[kMaxAttributes][2] = {};
};

class CSkinXml {
public:
    CSkinXml() = default;
    CSkinXml(const CSkinXml&) = delete;
    CSkinXml& operator=(const CSkinXml&) = delete;

    bool Load(const wchar_t* xmlText);
    // UTF-8 bytes, with or without the byte-order mark.
    bool LoadFromMem(const BYTE* bytes, DWORD size);
    // From the current skin resource location.
    bool LoadFromFile(const wchar_t* fileName);
    void Release();

    void SetPreserveWhitespace(bool preserve) { m_preserveWhitespace = preserve; }
    void GetLastErrorMessage(wchar_t* buffer, SIZE_T max) const;
    void GetLastErrorLocation(wchar_t* buffer, SIZE_T max) const;

    CSkinXmlNode GetRoot() const;

private:
    friend class CSkinXmlNode;
    struct TElement {
        ULONG start;
        ULONG child;
        ULONG next;
        ULONG parent;
        ULONG data;
    };

    bool Parse();
    bool ParseLevel(wchar_t*& p, ULONG parent, int depth);
    bool ParseAttributes(wchar_t*& p);
    // Decodes entities in place up to `end` (or the terminator); returns the end of the decoded text.
    wchar_t* ParseData(wchar_t*& p, wchar_t end);
    ULONG ReserveElement();
    bool Fail(const wchar_t* message, const wchar_t* location);

    std::unique_ptr<wchar_t[]> m_text;
    std::unique_ptr<TElement[]> m_elements;
    ULONG m_elementCount = 0;
    ULONG m_reservedCount = 0;
    wchar_t m_errorMessage[100] = {};
    wchar_t m_errorLocation[50] = {};
    bool m_preserveWhitespace = true;
};

}  // namespace SkinUI
