// A small XML element tree, built once and written once. The written file is always well-formed:
// names are checked when elements and attributes are made, and every text passes one escaping
// function that also drops what XML cannot hold.
#pragma once

#include <memory>
#include <memory_resource>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace qp {

// Every node, name and text of a document lies in the document's own memory, which goes in one
// piece with the document: a large feed is not thousands of separate allocations to free.
struct XmlNode {
    explicit XmlNode(std::pmr::memory_resource* memory)
        : name(memory), attributes(memory), text(memory), children(memory) {}

    // Markup: well-formed XML written as it stands (elements kept from an imported feed).
    enum class Kind { Element, Cdata, Markup };
    Kind kind = Kind::Element;
    std::pmr::string name; // elements only
    std::pmr::vector<std::pair<std::pmr::string, std::pmr::string>>
        attributes;                      // in the order they were set
    std::pmr::string text;               // element text, or the CDATA content
    std::pmr::vector<XmlNode*> children; // owned by the document
};

// The declaration and one root element.
class XmlDocument {
public:
    // Makes the root element; nullptr when the name is not a valid XML name.
    XmlNode* set_root(std::string_view name);
    const XmlNode* root() const { return storage_ ? storage_->root : nullptr; }

private:
    struct Storage {
        std::pmr::monotonic_buffer_resource memory;
        XmlNode* root = nullptr;
    };
    std::unique_ptr<Storage> storage_;
};

// Appends a child element. An empty text leaves it empty; a text that, trimmed of spaces, is
// wrapped in "{" and "}" becomes one CDATA child without the braces; any other text loses its
// control characters except TAB, LF and CR. nullptr when parent is null or name is not an XML
// name.
XmlNode* AddXmlNode(XmlNode* parent, std::string_view name, std::string_view text);

// Appends markup written as it stands; the caller has checked it is well-formed XML. nullptr
// when parent is null.
XmlNode* add_xml_markup(XmlNode* parent, std::string_view markup);

enum class AttributeName { Lowered, AsGiven };
// Sets (or replaces, keeping its place) an attribute, its name lower-cased unless asked to keep
// it (for names a format spells in mixed case); the value loses its control characters and outer
// spaces, and an empty value removes the attribute. False when node is null or name is not an
// XML name.
[[nodiscard]] bool SetXmlAttribute(XmlNode* node, std::string_view name, std::string_view value,
                                   AttributeName spelling = AttributeName::Lowered);

bool is_xml_name(std::string_view name);

class XmlSink {
public:
    virtual ~XmlSink() = default;
    [[nodiscard]] virtual bool write(std::string_view bytes) = 0;
    // A string the writer may append to instead of calling write, for sinks that only collect
    // the bytes; none by default.
    virtual std::string* direct() { return nullptr; }
};

class StringXmlSink : public XmlSink {
public:
    explicit StringXmlSink(std::string& out) : out_(out) {}
    [[nodiscard]] bool write(std::string_view bytes) override {
        out_.append(bytes);
        return true;
    }
    std::string* direct() override { return &out_; }

private:
    std::string& out_;
};

enum class XmlEscape { Text, Attribute, Cdata };
// The one escaping rule of the writer: "&", "<", ">" in texts, also the quotes in attribute
// values, "]]>" split over two sections in CDATA. Invalid UTF-8 becomes U+FFFD; characters XML
// forbids (controls other than TAB, LF, CR; U+FFFE, U+FFFF) are dropped.
void append_xml_escaped(std::string& out, std::string_view text, XmlEscape mode);

// Writes a document in pieces, so that a long run of elements need not stand in memory at once:
// the declaration first, then whole nodes, with elements opened before and closed after the
// nodes written inside them. Nothing but markup goes between the pieces.
class XmlStreamWriter {
public:
    explicit XmlStreamWriter(XmlSink& sink);
    XmlStreamWriter(const XmlStreamWriter&) = delete;
    XmlStreamWriter& operator=(const XmlStreamWriter&) = delete;

    // Only the start tag: what goes inside follows through Write.
    [[nodiscard]] bool open(const XmlNode& element);
    [[nodiscard]] bool write(const XmlNode& node);
    [[nodiscard]] bool close(const XmlNode& element);
    // Hands the rest to the sink. False when the sink refused any write.
    [[nodiscard]] bool finish();

private:
    void put_start(const XmlNode& element);
    void put_node(const XmlNode& node);
    void put_end(const XmlNode& element);
    [[nodiscard]] bool maybe_flush();

    XmlSink& sink_;
    std::string buffer_;
    std::string* out_; // the sink's own string, or buffer_
    bool ok_ = true;
};

// Writes the declaration and the tree without any white space between markup. False when the
// sink refuses a write or the document has no root.
[[nodiscard]] bool write_xml(const XmlDocument& doc, XmlSink& sink);

} // namespace qp
