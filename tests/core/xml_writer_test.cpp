#include "core/xml_writer.h"

#include <gtest/gtest.h>

using namespace qp;

namespace {

std::string to_text(const XmlDocument& doc) {
    std::string out;
    StringXmlSink sink(out);
    EXPECT_TRUE(WriteXml(doc, sink));
    return out;
}

// Accepts a fixed number of bytes, then refuses every write.
class FailingSink : public XmlSink {
public:
    explicit FailingSink(std::size_t limit) : limit_(limit) {}
    bool write(std::string_view bytes) override {
        if (bytes.size() > limit_)
            return false;
        limit_ -= bytes.size();
        return true;
    }

private:
    std::size_t limit_;
};

} // namespace

TEST(XmlWriter, SerialisesWithoutWhiteSpaceAndEscapes) {
    XmlDocument doc;
    XmlNode* root = doc.SetRoot("rss");
    ASSERT_TRUE(SetXmlAttribute(root, "Version", "2.0"));
    ASSERT_TRUE(SetXmlAttribute(root, "b", " a\"b'c<&> \x01"));
    ASSERT_NE(AddXmlNode(root, "empty", ""), nullptr);
    ASSERT_NE(AddXmlNode(root, "t", "Tom & \"Jerry\" <b>\r\n\tx\x01\x1F"), nullptr);
    ASSERT_NE(AddXmlNode(root, "c", "  {Tom & Jerry <b>} "), nullptr);
    ASSERT_NE(AddXmlNode(root, "n", "{ not } cdata"), nullptr);
    XmlNode* parent = AddXmlNode(root, "p", "");
    ASSERT_NE(AddXmlNode(parent, "q", "\xE2\x82\xAC\xC3\xA9"), nullptr);
    EXPECT_EQ(to_text(doc), "<?xml version=\"1.0\" encoding=\"UTF-8\"?>"
                            "<rss version=\"2.0\" b=\"a&quot;b&apos;c&lt;&amp;&gt;\"><empty/>"
                            "<t>Tom &amp; \"Jerry\" &lt;b&gt;\r\n\tx</t>"
                            "<c><![CDATA[Tom & Jerry <b>]]></c><n>{ not } cdata</n>"
                            "<p><q>\xE2\x82\xAC\xC3\xA9</q></p></rss>");
}

TEST(XmlWriter, AttributesKeepTheirPlaceAndEmptyOnesGo) {
    XmlDocument doc;
    XmlNode* root = doc.SetRoot("e");
    ASSERT_TRUE(SetXmlAttribute(root, "a", "1"));
    ASSERT_TRUE(SetXmlAttribute(root, "b", "2"));
    ASSERT_TRUE(SetXmlAttribute(root, "A", "3")); // same name once lower-cased
    ASSERT_TRUE(SetXmlAttribute(root, "c", " \t "));
    EXPECT_EQ(to_text(doc), "<?xml version=\"1.0\" encoding=\"UTF-8\"?><e a=\"3\" b=\"2\"/>");
    ASSERT_TRUE(SetXmlAttribute(root, "a", ""));
    EXPECT_EQ(to_text(doc), "<?xml version=\"1.0\" encoding=\"UTF-8\"?><e b=\"2\"/>");
}

TEST(XmlWriter, BadNamesAreRefused) {
    XmlDocument doc;
    EXPECT_EQ(doc.SetRoot("1x"), nullptr);
    XmlNode* root = doc.SetRoot("r");
    EXPECT_EQ(AddXmlNode(root, "", "x"), nullptr);
    EXPECT_EQ(AddXmlNode(root, "a b", "x"), nullptr);
    EXPECT_EQ(AddXmlNode(root, "a<b", "x"), nullptr);
    EXPECT_EQ(AddXmlNode(nullptr, "a", "x"), nullptr);
    EXPECT_FALSE(SetXmlAttribute(root, "x=\"1\" y", "v"));
    EXPECT_FALSE(SetXmlAttribute(nullptr, "x", "v"));
    EXPECT_TRUE(root->children.empty());
    EXPECT_TRUE(root->attributes.empty());
    XmlDocument none;
    std::string out;
    StringXmlSink sink(out);
    EXPECT_FALSE(WriteXml(none, sink));
}

TEST(XmlWriter, OutputIsAlwaysWellFormed) {
    auto escaped = [](std::string_view s, XmlEscape mode) {
        std::string out;
        AppendXmlEscaped(out, s, mode);
        return out;
    };
    // "]]>" is split over two sections, even when a dropped control stood inside it.
    EXPECT_EQ(escaped("a]]>b]]]>", XmlEscape::Cdata), "a]]]]><![CDATA[>b]]]]]><![CDATA[>");
    EXPECT_EQ(escaped("x]]\x01>", XmlEscape::Cdata), "x]]]]><![CDATA[>");
    EXPECT_EQ(escaped("]>", XmlEscape::Cdata), "]>");
    EXPECT_EQ(escaped("]]>", XmlEscape::Text), "]]&gt;");
    // Invalid UTF-8 is repaired; characters XML cannot hold are dropped everywhere.
    constexpr char kBad[] = "a\xFF"
                            "b\xC3"
                            "\0c\x0B\x7F\xEF\xBF\xBE\xEF\xBF\xBF\xEF\xBF\xBD";
    const std::string bad(kBad, sizeof kBad - 1);
    const std::string good = "a\xEF\xBF\xBD"
                             "b\xEF\xBF\xBD"
                             "c\x7F\xEF\xBF\xBD";
    EXPECT_EQ(escaped(bad, XmlEscape::Text), good);
    EXPECT_EQ(escaped(bad, XmlEscape::Attribute), good);
    EXPECT_EQ(escaped(bad, XmlEscape::Cdata), good);
}

TEST(XmlWriter, SinkFailuresAreReported) {
    XmlDocument doc;
    XmlNode* root = doc.SetRoot("r");
    for (int i = 0; i < 3000; ++i)
        ASSERT_NE(AddXmlNode(root, "item", std::string(40, 'x') + " & {b}"), nullptr);
    const std::string full = to_text(doc);
    ASSERT_GT(full.size(), 128u * 1024); // several chunks reach the sink
    for (const std::size_t limit :
         {std::size_t{0}, std::size_t{10}, std::size_t{65536}, full.size() / 2, full.size() - 1}) {
        FailingSink sink(limit);
        EXPECT_FALSE(WriteXml(doc, sink)) << limit;
    }
    FailingSink enough(full.size());
    EXPECT_TRUE(WriteXml(doc, enough));
}
