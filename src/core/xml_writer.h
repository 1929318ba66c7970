// A small XML element tree, built once and written once. The written file is always well-formed:
// names are checked when elements and attributes are made, and every text passes one escaping
// function that also drops what XML cannot hold.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace qp {

struct XmlNode {
    enum class Kind { Element, Cdata };
    Kind kind = Kind::Element;
    std::string name;                                            // elements only
    std::vector<std::pair<std::string, std::string>> attributes; // in the order they were set
    std::string text; // element text, or the CDATA content
    std::vector<std::unique_ptr<XmlNode>> children;
};

// The declaration and one root element.
class XmlDocument {
public:
    // Makes the root element; nullptr when the name is not a valid XML name.
    XmlNode* SetRoot(std::string_view name);
    const XmlNode* root() const { return root_.get(); }

private:
    std::unique_ptr<XmlNode> root_;
};

// Appends a child element. An empty text leaves it empty; a text that, trimmed of spaces, is
// wrapped in "{" and "}" becomes one CDATA child without the braces; any other text loses its
// control characters except TAB, LF and CR. nullptr when parent is null or name is not an XML
// name.
XmlNode* AddXmlNode(XmlNode* parent, std::string_view name, std::string text);

// Sets (or replaces, keeping its place) an attribute with a lower-cased name; the value loses
// its control characters and outer spaces, and an empty value removes the attribute. False when
// node is null or name is not an XML name.
[[nodiscard]] bool SetXmlAttribute(XmlNode* node, std::string_view name, std::string_view value);

bool IsXmlName(std::string_view name);

class XmlSink {
public:
    virtual ~XmlSink() = default;
    [[nodiscard]] virtual bool write(std::string_view bytes) = 0;
};

class StringXmlSink : public XmlSink {
public:
    explicit StringXmlSink(std::string& out) : out_(out) {}
    [[nodiscard]] bool write(std::string_view bytes) override {
        out_.append(bytes);
        return true;
    }

private:
    std::string& out_;
};

enum class XmlEscape { Text, Attribute, Cdata };
// The one escaping rule of the writer: "&", "<", ">" in texts, also the quotes in attribute
// values, "]]>" split over two sections in CDATA. Invalid UTF-8 becomes U+FFFD; characters XML
// forbids (controls other than TAB, LF, CR; U+FFFE, U+FFFF) are dropped.
void AppendXmlEscaped(std::string& out, std::string_view text, XmlEscape mode);

// Writes the declaration and the tree without any white space between markup. False when the
// sink refuses a write or the document has no root.
[[nodiscard]] bool WriteXml(const XmlDocument& doc, XmlSink& sink);

} // namespace qp
