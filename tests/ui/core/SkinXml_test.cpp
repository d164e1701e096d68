#include "ui/core/SkinXml.h"

#include <gtest/gtest.h>

#include <random>
#include <set>
#include <string>

#include "SkinTestSupport.h"
#include "tests/support/TestEnv.h"
#include "ui/core/SkinResources.h"

using namespace SkinUI;

namespace {

std::wstring Message(const CSkinXml& xml) {
    wchar_t buffer[100];
    xml.GetLastErrorMessage(buffer, 100);
    return buffer;
}

std::wstring Location(const CSkinXml& xml) {
    wchar_t buffer[50];
    xml.GetLastErrorLocation(buffer, 50);
    return buffer;
}

bool LoadUtf8(CSkinXml& xml, const std::string& text) {
    return xml.LoadFromMem(reinterpret_cast<const BYTE*>(text.data()), static_cast<DWORD>(text.size()));
}

// Resets the process-wide location to loose files in `folder`.
void UseFolder(const std::wstring& folder) {
    CSkinResources::Reset();
    CSkinResources::SetResourcePath(folder.c_str());
}

const std::set<std::wstring>& KnownMessages() {
    static const std::set<std::wstring> messages = {
        L"Error opening file",
        L"File is empty",
        L"File too large",
        L"Could not read file",
        L"Error opening zip file",
        L"Could not find ziped file",
        L"Could not unzip file",
        L"Expected start tag",
        L"Error parsing element name",
        L"Expected start-tag closing",
        L"Expected end-tag start",
        L"Unmatched closing tag",
        L"Error while parsing attributes",
        L"Expected attribute value",
        L"Error while parsing attribute string",
    };
    return messages;
}

}  // namespace

// A small skin document: tree shape, names, values and attributes.
TEST(SkinXml, ParsesATreeWithAttributes) {
    CSkinXml xml;
    ASSERT_TRUE(
        xml.Load(L"<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n"
                 L"<Window size=\"540,355\" caption=\"0,0,0,100\">\r\n"
                 L"\t<Font name=\"宋体\" size=\"12\" default=\"true\" />\r\n"
                 L"\t<Container><Label text=\"hi\">inner text</Label><Button/></Container>\r\n"
                 L"</Window>\r\n"));
    CSkinXmlNode root = xml.GetRoot();
    ASSERT_TRUE(root.IsValid());
    EXPECT_STREQ(L"Window", root.GetName());
    EXPECT_EQ(2, root.GetAttributeCount());
    EXPECT_STREQ(L"540,355", root.GetAttributeValue(L"size"));
    EXPECT_STREQ(L"caption", root.GetAttributeName(1));
    EXPECT_STREQ(L"0,0,0,100", root.GetAttributeValue(1));
    EXPECT_FALSE(root.HasSiblings());
    EXPECT_FALSE(root.GetParent().IsValid());

    CSkinXmlNode font = root.GetChild();
    EXPECT_STREQ(L"Font", font.GetName());
    EXPECT_STREQ(L"宋体", font.GetAttributeValue(L"name"));
    EXPECT_TRUE(font.HasAttribute(L"default"));
    EXPECT_FALSE(font.HasAttribute(L"Default"));  // names compare case-sensitively
    EXPECT_FALSE(font.HasChildren());
    EXPECT_STREQ(L"", font.GetValue());

    CSkinXmlNode container = root.GetChild(L"Container");
    ASSERT_TRUE(container.IsValid());
    EXPECT_FALSE(container.HasAttributes());
    CSkinXmlNode label = container.GetChild();
    EXPECT_STREQ(L"Label", label.GetName());
    EXPECT_STREQ(L"inner text", label.GetValue());
    EXPECT_STREQ(L"hi", label.GetAttributeValue(L"text"));
    EXPECT_STREQ(L"Container", label.GetParent().GetName());
    CSkinXmlNode button = label.GetSibling();
    EXPECT_STREQ(L"Button", button.GetName());
    EXPECT_FALSE(button.GetSibling().IsValid());
    EXPECT_FALSE(root.GetChild(L"Missing").IsValid());
}

// An empty element <a/> stays empty and its siblings stay siblings.
TEST(SkinXml, EmptyElementsKeepTheirSiblings) {
    CSkinXml xml;
    ASSERT_TRUE(xml.Load(L"<r><a/><b/><c x=\"1\"/><d /></r>")) << Message(xml);
    CSkinXmlNode a = xml.GetRoot().GetChild();
    ASSERT_TRUE(a.IsValid());
    EXPECT_STREQ(L"a", a.GetName());
    EXPECT_FALSE(a.HasChildren());
    EXPECT_FALSE(a.HasAttributes());
    EXPECT_STREQ(L"", a.GetValue());
    EXPECT_STREQ(L"b", a.GetSibling().GetName());
    EXPECT_STREQ(L"c", a.GetSibling().GetSibling().GetName());
    EXPECT_STREQ(L"1", a.GetSibling().GetSibling().GetAttributeValue(L"x"));
    EXPECT_STREQ(L"d", a.GetSibling().GetSibling().GetSibling().GetName());
    EXPECT_STREQ(L"r", a.GetSibling().GetParent().GetName());
}

// The byte-order mark is skipped; the same bytes without it give the same tree.
TEST(SkinXml, ByteOrderMarkIsSkipped) {
    const std::string body = "<Window size=\"540,355\"><Font name=\"\xE5\xAE\x8B\xE4\xBD\x93\"/></Window>";
    CSkinXml with, without;
    ASSERT_TRUE(LoadUtf8(with, "\xEF\xBB\xBF" + body)) << Message(with);
    ASSERT_TRUE(LoadUtf8(without, body));
    EXPECT_STREQ(without.GetRoot().GetName(), with.GetRoot().GetName());
    EXPECT_STREQ(L"540,355", with.GetRoot().GetAttributeValue(L"size"));
    EXPECT_STREQ(L"宋体", with.GetRoot().GetChild().GetAttributeValue(L"name"));
}

// Blanks around '=', two attributes on an empty element; single quotes are refused.
TEST(SkinXml, AttributeSyntax) {
    CSkinXml xml;
    ASSERT_TRUE(xml.Load(L"<Button name = \"btn_close\" pos=\"515,0,540,23\"/>")) << Message(xml);
    CSkinXmlNode button = xml.GetRoot();
    EXPECT_EQ(2, button.GetAttributeCount());
    EXPECT_STREQ(L"name", button.GetAttributeName(0));
    EXPECT_STREQ(L"btn_close", button.GetAttributeValue(L"name"));
    EXPECT_STREQ(L"515,0,540,23", button.GetAttributeValue(L"pos"));
    EXPECT_STREQ(L"", button.GetAttributeName(2));
    EXPECT_STREQ(L"", button.GetAttributeValue(-1));
    EXPECT_STREQ(L"", button.GetAttributeValue(L"absent"));

    EXPECT_FALSE(xml.Load(L"<Button name='btn_close'/>"));
    EXPECT_EQ(L"Expected attribute value", Message(xml));
    EXPECT_EQ(L"'btn_close'/>", Location(xml));
    EXPECT_FALSE(xml.GetRoot().IsValid());  // a failed document is released
}

// Entities in values; unknown ones stay as written.
TEST(SkinXml, Entities) {
    CSkinXml xml;
    ASSERT_TRUE(xml.Load(
        L"<a v=\"&lt;b&gt;\" w=\"x&amp;&amp;y\" q=\"&quot;hi&quot;\" p=\"it&apos;s\" u=\"&nbsp;&copy;\" "
        L"t=\"a & b\">&lt;text&gt;</a>"));
    CSkinXmlNode a = xml.GetRoot();
    EXPECT_STREQ(L"<b>", a.GetAttributeValue(L"v"));
    EXPECT_STREQ(L"x&&y", a.GetAttributeValue(L"w"));
    EXPECT_STREQ(L"\"hi\"", a.GetAttributeValue(L"q"));
    EXPECT_STREQ(L"it's", a.GetAttributeValue(L"p"));
    EXPECT_STREQ(L"&nbsp;&copy;", a.GetAttributeValue(L"u"));
    EXPECT_STREQ(L"a & b", a.GetAttributeValue(L"t"));
    EXPECT_STREQ(L"<text>", a.GetValue());
    EXPECT_EQ(6, a.GetAttributeCount());
}

// Comments, commented-out elements and the declaration produce no element.
TEST(SkinXml, CommentsAndDeclarations) {
    CSkinXml xml;
    ASSERT_TRUE(
        xml.Load(L"<?xml version=\"1.0\"?>\n<!-- <Skipped/> -->\n<Window>\n"
                 L"<!--<HorizontalLayout height=\"24\"><Label text=\"x\"/></HorizontalLayout>-->\n"
                 L"<Label/>\n<!--<Button name=\"btn_privacy\"/>-->\n</Window>\n<!-- tail -->"))
        << Message(xml);
    CSkinXmlNode root = xml.GetRoot();
    EXPECT_STREQ(L"Window", root.GetName());
    CSkinXmlNode only = root.GetChild();
    EXPECT_STREQ(L"Label", only.GetName());
    EXPECT_FALSE(only.HasSiblings());
    EXPECT_FALSE(root.HasSiblings());
}

// The first 64 attributes are visible, the 65th is not.
TEST(SkinXml, SixtyFourAttributes) {
    std::wstring text = L"<a";
    for (int i = 1; i <= 65; ++i)
        text += L" k" + std::to_wstring(i) + L"=\"v" + std::to_wstring(i) + L"\"";
    text += L"/>";
    CSkinXml xml;
    ASSERT_TRUE(xml.Load(text.c_str()));
    CSkinXmlNode a = xml.GetRoot();
    EXPECT_EQ(64, a.GetAttributeCount());
    EXPECT_STREQ(L"v64", a.GetAttributeValue(L"k64"));
    EXPECT_FALSE(a.HasAttribute(L"k65"));
}

// A copied value is cut to 499 characters.
TEST(SkinXml, CopiedValuesAreCut) {
    const std::wstring text = L"<a long=\"" + std::wstring(600, L'x') + L"\" short=\"ok\"/>";
    CSkinXml xml;
    ASSERT_TRUE(xml.Load(text.c_str()));
    wchar_t buffer[600];
    EXPECT_TRUE(xml.GetRoot().GetAttributeValue(L"long", buffer));
    EXPECT_EQ(499u, wcslen(buffer));
    EXPECT_TRUE(xml.GetRoot().GetAttributeValue(L"short", buffer));
    EXPECT_STREQ(L"ok", buffer);
    EXPECT_FALSE(xml.GetRoot().GetAttributeValue(L"none", buffer));
}

// Without preserved whitespace a run of blanks collapses to its first blank.
TEST(SkinXml, WhitespaceCollapsing) {
    CSkinXml xml;
    xml.SetPreserveWhitespace(false);
    ASSERT_TRUE(xml.Load(L"<a v=\"x   \t y\">one  \n two</a>"));
    EXPECT_STREQ(L"x y", xml.GetRoot().GetAttributeValue(L"v"));
    EXPECT_STREQ(L"one two", xml.GetRoot().GetValue());
    xml.SetPreserveWhitespace(true);
    ASSERT_TRUE(xml.Load(L"<a v=\"x   y\"/>"));
    EXPECT_STREQ(L"x   y", xml.GetRoot().GetAttributeValue(L"v"));
}

// Invalid nodes answer with invalid nodes and empty strings.
TEST(SkinXml, InvalidNodes) {
    CSkinXmlNode none;
    EXPECT_FALSE(none.IsValid());
    EXPECT_FALSE(none.GetChild().IsValid());
    EXPECT_FALSE(none.GetChild(L"x").IsValid());
    EXPECT_FALSE(none.GetSibling().IsValid());
    EXPECT_FALSE(none.GetParent().IsValid());
    EXPECT_STREQ(L"", none.GetName());
    EXPECT_STREQ(L"", none.GetValue());
    EXPECT_EQ(0, none.GetAttributeCount());
    EXPECT_STREQ(L"", none.GetAttributeValue(L"x"));
    CSkinXml empty;
    EXPECT_TRUE(empty.Load(L""));
    EXPECT_FALSE(empty.GetRoot().IsValid());
}

namespace {

struct TFailure {
    const wchar_t* text;
    const wchar_t* message;
    const wchar_t* location;
};

}  // namespace

// Each malformed document fails with its message and the text where it went wrong.
TEST(SkinXml, ErrorMessagesAndLocations) {
    const TFailure cases[] = {
        {L"hello", L"Expected start tag", L"hello"},
        {L"<a></b>", L"Unmatched closing tag", L"b>"},
        {L"<Window><Label></Window>", L"Unmatched closing tag", L"Window>"},
        {L"<ab></abc>", L"Unmatched closing tag", L">"},
        {L"<a", L"Error parsing element name", L"a"},
        {L"<a x=\"1\"", L"Expected start-tag closing", L""},
        {L"<a x=\"1\" / >", L"Expected start-tag closing", L"/ >"},
        {L"<a x>", L"Error while parsing attributes", L">"},
        {L"<a x=1>", L"Expected attribute value", L"1>"},
        {L"<a x=\"1>", L"Error while parsing attribute string", L"x"},
        {L"<r><a><b>text", L"Expected end-tag start", L""},
        {L"<r>text<a/>more</r>", L"Expected start tag", L"more</r>"},
    };
    for (const TFailure& c : cases) {
        CSkinXml xml;
        EXPECT_FALSE(xml.Load(c.text)) << c.text;
        EXPECT_EQ(c.message, Message(xml)) << c.text;
        EXPECT_EQ(c.location, Location(xml)) << c.text;
        EXPECT_FALSE(xml.GetRoot().IsValid());
    }
    // A root start tag running to the end of the text is a document of one element.
    CSkinXml xml;
    EXPECT_TRUE(xml.Load(L"<Window size=\"1,2\">"));
    EXPECT_STREQ(L"1,2", xml.GetRoot().GetAttributeValue(L"size"));
    // Locations are cut to 49 characters.
    EXPECT_FALSE(xml.Load((L"<a x=" + std::wstring(80, L'z')).c_str()));
    EXPECT_EQ(49u, Location(xml).size());
}

// Nesting deeper than the parser allows fails instead of exhausting the stack.
TEST(SkinXml, DeepNestingFails) {
    std::wstring deep;
    for (int i = 0; i < 100000; ++i)
        deep += L"<a>";
    CSkinXml xml;
    EXPECT_FALSE(xml.Load(deep.c_str()));
    EXPECT_EQ(L"Expected start tag", Message(xml));
    std::wstring fine;
    for (int i = 0; i < 200; ++i)
        fine += L"<a>";
    for (int i = 0; i < 200; ++i)
        fine += L"</a>";
    EXPECT_TRUE(xml.Load(fine.c_str())) << Message(xml);
}

// Loose skin files: missing, empty, the 4 MiB limit exactly, one byte more.
TEST(SkinXml, LoadsFilesFromTheSkinFolder) {
    TestEnv::TempDir dir(L"skinxml");
    UseFolder(dir.Path());
    CSkinXml xml;
    EXPECT_FALSE(xml.LoadFromFile(L"absent.xml"));
    EXPECT_EQ(L"Error opening file", Message(xml));
    EXPECT_EQ(L"", Location(xml));

    ASSERT_TRUE(TestEnv::WriteFileBytes(dir.File(L"empty.xml"), ""));
    EXPECT_FALSE(xml.LoadFromFile(L"empty.xml"));
    EXPECT_EQ(L"File is empty", Message(xml));

    const std::string head = "<Window text=\"";
    const std::string tail = "\"/>";
    const std::string limit = head + std::string(kMaxSkinFileSize - head.size() - tail.size(), 'x') + tail;
    ASSERT_EQ(4194304u, limit.size());
    ASSERT_TRUE(TestEnv::WriteFileBytes(dir.File(L"limit.xml"), limit));
    EXPECT_TRUE(xml.LoadFromFile(L"limit.xml")) << Message(xml);
    EXPECT_EQ(kMaxSkinFileSize - head.size() - tail.size(), wcslen(xml.GetRoot().GetAttributeValue(L"text")));

    ASSERT_TRUE(TestEnv::WriteFileBytes(dir.File(L"over.xml"), limit + " "));
    EXPECT_FALSE(xml.LoadFromFile(L"over.xml"));
    EXPECT_EQ(L"File too large", Message(xml));

    ASSERT_TRUE(TestEnv::WriteFileBytes(dir.File(L"MessageBox.xml"), "<Window><Label/></Window>"));
    EXPECT_TRUE(xml.LoadFromFile(L"MessageBox.xml"));
    EXPECT_STREQ(L"Label", xml.GetRoot().GetChild().GetName());
}

// Skin files inside a zip in the skin folder.
TEST(SkinXml, LoadsFilesFromAZip) {
    TestEnv::TempDir dir(L"skinzip");
    SkinTest::CZipBuilder builder;
    builder.Add("main.xml", "<Window size=\"540,355\"><Button/></Window>");
    builder.Add("empty.xml", "");
    builder.Add("big.xml", "<a t=\"" + std::string(kMaxSkinFileSize, 'x') + "\"/>");
    std::string zip = builder.Build();
    ASSERT_TRUE(TestEnv::WriteFileBytes(dir.File(L"skin.zip"), zip));
    UseFolder(dir.Path());

    CSkinXml xml;
    CSkinResources::SetResourceZip(L"missing.zip");
    EXPECT_FALSE(xml.LoadFromFile(L"main.xml"));
    EXPECT_EQ(L"Error opening zip file", Message(xml));

    CSkinResources::SetResourceZip(L"skin.zip");
    ASSERT_NE(nullptr, CSkinResources::GetResourceZipHandle());
    EXPECT_TRUE(xml.LoadFromFile(L"MAIN.XML")) << Message(xml);
    EXPECT_STREQ(L"540,355", xml.GetRoot().GetAttributeValue(L"size"));
    // The cached archive serves the same entry again.
    EXPECT_TRUE(xml.LoadFromFile(L"main.xml")) << Message(xml);
    EXPECT_STREQ(L"Button", xml.GetRoot().GetChild().GetName());
    EXPECT_FALSE(xml.LoadFromFile(L"other.xml"));
    EXPECT_EQ(L"Could not find ziped file", Message(xml));
    EXPECT_FALSE(xml.LoadFromFile(L"empty.xml"));
    EXPECT_EQ(L"File is empty", Message(xml));
    EXPECT_FALSE(xml.LoadFromFile(L"big.xml"));
    EXPECT_EQ(L"File too large", Message(xml));

    // Damaged compressed bytes of the entry: the load fails instead of parsing an unfilled buffer.
    for (size_t i = 30 + 8; i < 30 + 8 + 12; ++i)
        zip[i] = static_cast<char>(0xFF);
    ASSERT_TRUE(TestEnv::WriteFileBytes(dir.File(L"broken.zip"), zip));
    CSkinResources::SetResourceZip(L"broken.zip");
    EXPECT_FALSE(xml.LoadFromFile(L"main.xml"));
    EXPECT_EQ(L"Could not unzip file", Message(xml));
    UseFolder(L"");
}

// 10,000 damaged skin documents each load or fail with one of the parser's messages; a loaded tree
// can be walked whole.
TEST(SkinXml, MutatedDocumentsLoadOrFailCleanly) {
    const std::string base =
        TestEnv::ReadFileBytes(TestEnv::SourceDir() + L"\\app\\skin\\InstallPackages.xml");
    ASSERT_GT(base.size(), 1000u);
    const char alphabet[] = "<>/=\"'&;!?-_: \t\nabz0&amp;&lt;";
    std::mt19937 random(5);
    int loaded = 0;
    for (int round = 0; round < 10000; ++round) {
        std::string text = base;
        const int changes = 1 + static_cast<int>(random() % 6);
        for (int c = 0; c < changes; ++c) {
            const size_t at = random() % text.size();
            const char ch = alphabet[random() % (sizeof(alphabet) - 1)];
            switch (random() % 4) {
                case 0:
                    text[at] = ch;
                    break;
                case 1:
                    text.insert(text.begin() + at, ch);
                    break;
                case 2:
                    text.erase(at, 1 + random() % 8);
                    break;
                default:
                    text.resize(at);
                    break;
            }
            if (text.empty())
                text = "<";
        }
        CSkinXml xml;
        SkinTest::CGuardedBytes bytes(text);
        if (xml.LoadFromMem(bytes.Data(), bytes.Size())) {
            ++loaded;
            // Walk the tree, bounded by the size of the text.
            size_t visited = 0;
            std::vector<CSkinXmlNode> pending = {xml.GetRoot()};
            while (!pending.empty() && visited <= text.size()) {
                CSkinXmlNode node = pending.back();
                pending.pop_back();
                if (!node.IsValid())
                    continue;
                ++visited;
                for (int i = 0; i < node.GetAttributeCount(); ++i)
                    EXPECT_LE(wcslen(node.GetAttributeValue(i)), text.size());
                pending.push_back(node.GetSibling());
                pending.push_back(node.GetChild());
            }
            EXPECT_LE(visited, text.size());
        } else {
            EXPECT_EQ(1u, KnownMessages().count(Message(xml))) << "round " << round;
        }
    }
    EXPECT_GT(loaded, 100);
}
