#include "file/xml.h"

#include "file_test_support.h"
#include "kernel/strings.h"
#include "tests/support/test_support.h"

#include <gtest/gtest.h>

namespace Zorva::Testing {
namespace {

using File::CXMLManager;
using File::XmlElement;

struct Seen {
    std::vector<XmlElement> elements;
    File::XmlHandler Handler()
    {
        return [this](XmlElement& e) { elements.push_back(e); };
    }
};

File::XmlInput Input(const std::string& text)
{
    return std::span<const std::uint8_t>(reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
}

TEST(XmlReader, EachChildOfAnyRootGoesToItsHandler)
{
    for (const std::string root : {"Zorva", "Other"}) {
        SCOPED_TRACE(root);
        Seen i18n;
        Seen other;
        const std::string doc = "<?xml version=\"1.0\"?><!-- c --><" + root +
                                " version=\"1.0\">\n  <I18N lang=\"pl\"/>\n  <Unknown a=\"1\"/><?pi x?>\n</" + root + ">";
        CXMLManager reader(Input(doc), {{u"I18N", i18n.Handler()}, {u"Nothing", other.Handler()}});
        ASSERT_EQ(i18n.elements.size(), 1u);
        EXPECT_EQ(i18n.elements[0].attributes, (std::unordered_map<std::u16string, std::u16string>{{u"lang", u"pl"}}));
        EXPECT_TRUE(i18n.elements[0].children.empty());
        EXPECT_TRUE(other.elements.empty());
    }
}

TEST(XmlReader, TreeKeepsLocalNamesOrderAndTheLastText)
{
    const std::string doc = "<z:Zorva xmlns:z=\"urn:x\"><z:E a=\"&amp;&lt;&quot;\">x<C n=\"1\"/><C n=\"2\"/>y</z:E>"
                            "<E><C/>\n</E><E><![CDATA[<raw>]]></E></z:Zorva>";
    Seen seen;
    CXMLManager reader(Input(doc), {{u"E", seen.Handler()}});
    ASSERT_EQ(seen.elements.size(), 3u);
    const XmlElement& mixed = seen.elements[0];
    EXPECT_EQ(mixed.tag, u"E");
    EXPECT_EQ(mixed.text, u"y");
    EXPECT_EQ(mixed.Attribute(u"a"), u"&<\"");
    ASSERT_EQ(mixed.children.size(), 2u);
    EXPECT_EQ(mixed.children[0].Attribute(u"n"), u"1");
    EXPECT_EQ(mixed.children[1].Attribute(u"n"), u"2");
    EXPECT_EQ(seen.elements[1].text, u"\n"); // whitespace after the last child replaces the text
    EXPECT_EQ(seen.elements[2].text, u"<raw>");
    EXPECT_EQ(reader.root.tag, u"Zorva");
}

TEST(XmlReader, RefusedDocumentsRunNoHandler)
{
    struct Case {
        const char* what;
        std::string doc;
    } cases[] = {
        {"internal DTD", "<?xml version=\"1.0\"?><!DOCTYPE Zorva [<!ENTITY e \"x\">]><Zorva><I18N lang=\"&e;\"/></Zorva>"},
        {"external entity", "<!DOCTYPE Zorva SYSTEM \"file:///etc/passwd\"><Zorva><I18N/></Zorva>"},
        {"undeclared entity", "<Zorva><I18N lang=\"&e;\"/></Zorva>"},
        {"unclosed", "<Zorva><I18N lang=\"pl\"/>"},
        {"mismatched", "<Zorva><I18N lang=\"pl\"></Zorva>"},
        {"empty", ""},
        {"bad UTF-8", "<Zorva><I18N lang=\"\xff\"/></Zorva>"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Seen seen;
        EXPECT_THROW(CXMLManager(Input(c.doc), {{u"I18N", seen.Handler()}}), Exception::InvalidXML);
        EXPECT_TRUE(seen.elements.empty());
    }
}

TEST(XmlReader, ADoctypeFailsAtReadingTheNextNode)
{
    ReportCapture reports;
    EXPECT_THROW(CXMLManager(Input("<!DOCTYPE Zorva><Zorva/>"), {}), Exception::InvalidXML);
    EXPECT_TRUE(reports.FirstOperationIs(u"DB read node"));
}

TEST(XmlReader, NoInputIsInvalidClass)
{
    ReportCapture reports;
    EXPECT_THROW(CXMLManager(File::XmlInput{}, {}), Exception::InvalidClass);
    EXPECT_TRUE(reports.FirstOperationIs(u"DB init"));
}

TEST(XmlWriter, EscapingSerializationAndFloats)
{
    std::u16string text = u"a&b<c\r\nd";
    File::EscapeXmlText(text);
    EXPECT_EQ(text, u"a&amp;b&lt;c&#xA;\nd");
    std::u16string spaced = u"a b\t\"c\">";
    File::EscapeXmlText(spaced);
    EXPECT_EQ(spaced, u"a&#032;b&#009;&quot;c&quot;>");

    XmlElement t;
    t.tag = u"T";
    std::u16string out;
    CXMLManager::Serialize(t, out);
    EXPECT_EQ(out, u"<T/>");
    t.text = u"x";
    out.clear();
    CXMLManager::Serialize(t, out);
    EXPECT_EQ(out, u"<T>x</T>");
    t.text = u"a]]>b>";
    out.clear();
    CXMLManager::Serialize(t, out);
    EXPECT_EQ(out, u"<T>a]]&gt;b></T>"); // the one sequence character data cannot hold

    XmlElement f;
    f.tag = u"F";
    f.AddFloatAttribute(u"one", 1.0f);
    f.AddFloatAttribute(u"grey", 0.5019607843f);
    f.AddFloatAttribute(u"one", 2.0f); // the first stays
    EXPECT_EQ(f.Attribute(u"one"), u"1.000000");
    EXPECT_EQ(f.Attribute(u"grey"), u"0.501961");

    CXMLManager writer;
    EXPECT_EQ(writer.DocumentText(), u"<?xml version=\"1.0\"?><Zorva version=\"1.0\"/>");
}

TEST(XmlWriter, WrittenDocumentsReadBack)
{
    CXMLManager writer;
    XmlElement& art = writer.root.children.emplace_back();
    art.tag = u"Art";
    art.AddAttribute(u"name", u"say \"cheese\" & <smile> \u017c\u00f3\u0142w");
    XmlElement& col = art.children.emplace_back();
    col.tag = u"Col";
    col.AddAttribute(u"name", u"x1");
    const std::string utf8 = WideToUtf8(writer.DocumentText());
    Seen seen;
    CXMLManager reader(Input(utf8), {{u"Art", seen.Handler()}});
    ASSERT_EQ(seen.elements.size(), 1u);
    EXPECT_EQ(seen.elements[0].Attribute(u"name"), u"say \"cheese\" & <smile> \u017c\u00f3\u0142w");
    ASSERT_EQ(seen.elements[0].children.size(), 1u);
    EXPECT_EQ(seen.elements[0].children[0].Attribute(u"name"), u"x1");
}

TEST(XmlNumbers, ConversionsAndTheirErrors)
{
    EXPECT_FLOAT_EQ(File::ParseFloat(u"0.25"), 0.25f);
    EXPECT_FLOAT_EQ(File::ParseFloat(u"  -3.5e1xyz"), -35.0f);
    EXPECT_EQ(File::ParseUnsignedLong(u"65601"), 65601ul);
    EXPECT_EQ(File::ParseUnsigned64(u"17"), 17u);
    EXPECT_EQ(File::ParseUnsigned64(u""), 0u);
    EXPECT_EQ(File::ParseUnsigned64(u"12ab"), 12u);
    EXPECT_EQ(File::ParseUnsigned64(u"99999999999999999999999"), UINT64_MAX);

    struct Bad {
        std::u16string text;
        bool isFloat;
        std::string what;
    } bad[] = {
        {u"", true, "invalid stof argument"},          {u"abc", true, "invalid stof argument"},
        {u"\u0661", true, "invalid stof argument"},    {u"1e99", true, "stof argument out of range"},
        {u"x", false, "invalid stoul argument"},       {u"99999999999999999999999", false, "stoul argument out of range"},
    };
    for (const Bad& b : bad) {
        SCOPED_TRACE(b.what);
        try {
            if (b.isFloat)
                File::ParseFloat(b.text);
            else
                File::ParseUnsignedLong(b.text);
            ADD_FAILURE() << "no exception";
        } catch (const std::invalid_argument& e) {
            EXPECT_EQ(e.what(), b.what);
        } catch (const std::out_of_range& e) {
            EXPECT_EQ(e.what(), b.what);
        }
    }
}

} // namespace
} // namespace Zorva::Testing
