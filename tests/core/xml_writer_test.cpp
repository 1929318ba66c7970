#include "core/xml_writer.h"

#include "core/text.h"

#include <gtest/gtest.h>

#include <random>

using namespace qp;

namespace {

std::string to_text(const XmlDocument& doc) {
    std::string out;
    StringXmlSink sink(out);
    EXPECT_TRUE(write_xml(doc, sink));
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
    XmlNode* root = doc.set_root("rss");
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
    XmlNode* root = doc.set_root("e");
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
    EXPECT_EQ(doc.set_root("1x"), nullptr);
    XmlNode* root = doc.set_root("r");
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
    EXPECT_FALSE(write_xml(none, sink));
}

TEST(XmlWriter, OutputIsAlwaysWellFormed) {
    auto escaped = [](std::string_view s, XmlEscape mode) {
        std::string out;
        append_xml_escaped(out, s, mode);
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
    XmlNode* root = doc.set_root("r");
    for (int i = 0; i < 3000; ++i)
        ASSERT_NE(AddXmlNode(root, "item", std::string(40, 'x') + " & {b}"), nullptr);
    const std::string full = to_text(doc);
    ASSERT_GT(full.size(), 128u * 1024); // several chunks reach the sink
    for (const std::size_t limit :
         {std::size_t{0}, std::size_t{10}, std::size_t{65536}, full.size() / 2, full.size() - 1}) {
        FailingSink sink(limit);
        EXPECT_FALSE(write_xml(doc, sink)) << limit;
    }
    FailingSink enough(full.size());
    EXPECT_TRUE(write_xml(doc, enough));
}

namespace {

// The escaping rule one character at a time, as plainly as it can be written.
std::string reference_escaped(std::string out, std::string_view s, XmlEscape mode) {
    for (std::size_t i = 0; i < s.size();) {
        const auto c = static_cast<unsigned char>(s[i]);
        if (c >= 0x80) {
            std::size_t next = i;
            const char32_t cp = next_code_point(s, next);
            if (cp == 0xFFFD && s.substr(i, next - i) != "\xEF\xBF\xBD")
                out += "\xEF\xBF\xBD";
            else if (cp != 0xFFFE && cp != 0xFFFF)
                out += s.substr(i, next - i);
            i = next;
            continue;
        }
        ++i;
        if (c < 0x20 && c != '\t' && c != '\n' && c != '\r')
            continue;
        if (mode == XmlEscape::Cdata) {
            if (c == '>' && out.ends_with("]]"))
                out += "]]><![CDATA[>";
            else
                out += static_cast<char>(c);
        } else if (c == '&') {
            out += "&amp;";
        } else if (c == '<') {
            out += "&lt;";
        } else if (c == '>') {
            out += "&gt;";
        } else if (mode == XmlEscape::Attribute && c == '"') {
            out += "&quot;";
        } else if (mode == XmlEscape::Attribute && c == '\'') {
            out += "&apos;";
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}

// Collects what it is given, in the pieces the writer hands over.
class CollectingSink : public XmlSink {
public:
    bool write(std::string_view bytes) override {
        out.append(bytes);
        ++writes;
        return true;
    }
    std::string out;
    int writes = 0;
};

} // namespace

TEST(XmlWriter, EscapingMatchesTheCharacterRule) {
    // Dense markup, plain runs, stray UTF-8 and controls at every place of a 16-byte block,
    // appended after texts of several lengths (the CDATA rule looks at what is written).
    static const std::string_view pieces[] = {"plain text ",
                                              "&",
                                              "<",
                                              ">",
                                              "\"",
                                              "'",
                                              "]",
                                              "]]",
                                              "]]>",
                                              "\t",
                                              "\r\n",
                                              "\x01",
                                              std::string_view("\0", 1),
                                              "\x7F",
                                              "\xC3\xA9",
                                              "\xE2\x82\xAC",
                                              "\xEF\xBF\xBD",
                                              "\xEF\xBF\xBE",
                                              "\xEF\xBF\xBF",
                                              "\xF0\x9F\x98\x80",
                                              "\xF4\x90\x80\x80",
                                              "\xED\xA0\x80",
                                              "\xE0\xA0\x80",
                                              "\xEE\x80\x80",
                                              "\xC0\xAF",
                                              "\xC3",
                                              "\xE2\x82",
                                              "\x80",
                                              "\xFF",
                                              "&amp;eacute;",
                                              "<br />"};
    std::mt19937 rng(5);
    std::uniform_int_distribution<std::size_t> pick(0, std::size(pieces) - 1);
    std::uniform_int_distribution<std::size_t> length(0, 300);
    const std::string prefixes[] = {"", "]", "x]]", std::string(70000, 'p') + "]"};
    for (int n = 0; n < 6000; ++n) {
        std::string s;
        for (std::size_t len = length(rng); s.size() < len;)
            s += pieces[pick(rng)];
        const std::string& prefix = prefixes[n % std::size(prefixes)];
        for (const XmlEscape mode : {XmlEscape::Text, XmlEscape::Attribute, XmlEscape::Cdata}) {
            std::string out = prefix;
            append_xml_escaped(out, s, mode);
            ASSERT_EQ(out, reference_escaped(prefix, s, mode))
                << static_cast<int>(mode) << " " << s;
        }
    }
}

TEST(XmlWriter, SinksGetTheSameBytesDirectlyOrInChunks) {
    XmlDocument doc;
    XmlNode* root = doc.set_root("r");
    for (int i = 0; i < 2000; ++i) {
        XmlNode* item = AddXmlNode(root, "item", "");
        ASSERT_NE(item, nullptr);
        ASSERT_NE(AddXmlNode(item, "d", std::string(i % 97, 'x') + " &eacute; <br /> \xC3\xA9"),
                  nullptr);
        ASSERT_NE(AddXmlNode(item, "c", "{a]]>b}"), nullptr);
        ASSERT_TRUE(SetXmlAttribute(item, "n", std::to_string(i) + "\"'"));
    }
    std::string direct;
    StringXmlSink string_sink(direct);
    ASSERT_TRUE(write_xml(doc, string_sink));
    CollectingSink chunks;
    ASSERT_TRUE(write_xml(doc, chunks));
    EXPECT_GT(chunks.writes, 1);
    EXPECT_EQ(chunks.out, direct);
    EXPECT_NE(direct.find("<item n=\"1999&quot;&apos;\"><d>"), std::string::npos);

    // A moved document keeps its nodes; the one it left has none to write.
    XmlDocument moved = std::move(doc);
    std::string again;
    StringXmlSink again_sink(again);
    ASSERT_TRUE(write_xml(moved, again_sink));
    EXPECT_EQ(again, direct);
    CollectingSink none;
    EXPECT_FALSE(write_xml(doc, none)); // NOLINT(bugprone-use-after-move): the state is defined
}

TEST(XmlWriter, NodeTextsLoseOnlyTheControlsXmlCannotHold) {
    XmlDocument doc;
    XmlNode* root = doc.set_root("r");
    const std::string text = std::string(40, 'a') + "\t\n\r" + std::string(20, 'b') +
                             std::string("\0", 1) + "\x0B" + std::string(17, 'c') + "\x1F";
    const XmlNode* node = AddXmlNode(root, "t", text);
    ASSERT_NE(node, nullptr);
    EXPECT_EQ(std::string_view(node->text), std::string(40, 'a') + "\t\n\r" + std::string(20, 'b') +
                                                std::string("\0", 1) + std::string(17, 'c'));
    const std::string clean = std::string(33, 'z') + "\t\r\n";
    EXPECT_EQ(std::string_view(AddXmlNode(root, "u", clean)->text), clean);
}
