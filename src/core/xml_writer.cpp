#include "core/xml_writer.h"

#include "core/text.h"

#include <array>

namespace qp {

namespace {

bool is_name_start(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_' || c == ':';
}

bool is_name_char(char c) {
    return is_name_start(c) || (c >= '0' && c <= '9') || c == '-' || c == '.';
}

constexpr bool is_forbidden_control(unsigned char c) {
    return c < 0x20 && c != '\t' && c != '\n' && c != '\r';
}

// Whether text holds a control character other than TAB, LF and CR (NUL is left to the
// escaping). No early exit, so the loop vectorises: most texts hold none.
bool has_stripped_control(std::string_view text) {
    bool any = false;
    for (const char c : text) {
        const auto u = static_cast<unsigned char>(c);
        any |= u >= 1 && u < 0x20 && u != '\t' && u != '\n' && u != '\r';
    }
    return any;
}

// Bytes the escaping has to look at: markup characters, controls and every non-ASCII byte.
constexpr auto kEscapeByte = [] {
    std::array<bool, 256> table{};
    for (std::size_t c = 0; c < 0x20; ++c)
        table[c] = is_forbidden_control(static_cast<unsigned char>(c));
    for (const unsigned char c : std::string_view("&<>\"'"))
        table[c] = true;
    for (std::size_t c = 0x80; c < 256; ++c)
        table[c] = true;
    return table;
}();

// Collects the output in large pieces so the sink sees few calls.
class BufferedWriter {
public:
    explicit BufferedWriter(XmlSink& sink) : sink_(sink) { buffer_.reserve(kChunk + 4096); }
    std::string& buffer() { return buffer_; }
    [[nodiscard]] bool maybe_flush() { return buffer_.size() < kChunk || flush(); }
    [[nodiscard]] bool flush() {
        if (!ok_)
            return false;
        if (!buffer_.empty()) {
            ok_ = sink_.write(buffer_);
            buffer_.clear();
        }
        return ok_;
    }

private:
    static constexpr std::size_t kChunk = 64 * 1024;
    XmlSink& sink_;
    std::string buffer_;
    bool ok_ = true;
};

[[nodiscard]] bool write_node(const XmlNode& node, BufferedWriter& w) {
    std::string& out = w.buffer();
    if (node.kind == XmlNode::Kind::Cdata) {
        out += "<![CDATA[";
        AppendXmlEscaped(out, node.text, XmlEscape::Cdata);
        out += "]]>";
        return w.maybe_flush();
    }
    out += '<';
    out += node.name;
    for (const auto& [name, value] : node.attributes) {
        out += ' ';
        out += name;
        out += "=\"";
        AppendXmlEscaped(out, value, XmlEscape::Attribute);
        out += '"';
    }
    if (node.text.empty() && node.children.empty()) {
        out += "/>";
        return w.maybe_flush();
    }
    out += '>';
    AppendXmlEscaped(out, node.text, XmlEscape::Text);
    if (!w.maybe_flush())
        return false;
    for (const auto& child : node.children)
        if (!write_node(*child, w))
            return false;
    std::string& tail = w.buffer();
    tail += "</";
    tail += node.name;
    tail += '>';
    return w.maybe_flush();
}

} // namespace

bool IsXmlName(std::string_view name) {
    if (name.empty() || !is_name_start(name.front()))
        return false;
    for (const char c : name)
        if (!is_name_char(c))
            return false;
    return true;
}

XmlNode* XmlDocument::SetRoot(std::string_view name) {
    if (!IsXmlName(name))
        return nullptr;
    root_ = std::make_unique<XmlNode>();
    root_->name = name;
    return root_.get();
}

XmlNode* AddXmlNode(XmlNode* parent, std::string_view name, std::string text) {
    if (!parent || parent->kind != XmlNode::Kind::Element || !IsXmlName(name))
        return nullptr;
    auto node = std::make_unique<XmlNode>();
    node->name = name;
    if (!text.empty()) {
        const std::size_t b = text.find_first_not_of(' ');
        const std::size_t e = text.find_last_not_of(' ');
        if (b != std::string::npos && text[b] == '{' && text[e] == '}' && e > b) {
            auto cdata = std::make_unique<XmlNode>();
            cdata->kind = XmlNode::Kind::Cdata;
            cdata->text = text.substr(b + 1, e - b - 1);
            node->children.push_back(std::move(cdata));
        } else if (has_stripped_control(text)) {
            node->text = strip_controls(text, "\t\n\r");
        } else {
            node->text = std::move(text);
        }
    }
    parent->children.push_back(std::move(node));
    return parent->children.back().get();
}

bool SetXmlAttribute(XmlNode* node, std::string_view name, std::string_view value) {
    if (!node || node->kind != XmlNode::Kind::Element || !IsXmlName(name))
        return false;
    std::string lower(name);
    for (char& c : lower)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c + 32);
    std::string clean = trim_spaces(strip_controls(value));
    auto& attrs = node->attributes;
    for (auto it = attrs.begin(); it != attrs.end(); ++it) {
        if (it->first == lower) {
            if (clean.empty())
                attrs.erase(it);
            else
                it->second = std::move(clean);
            return true;
        }
    }
    if (!clean.empty())
        attrs.emplace_back(std::move(lower), std::move(clean));
    return true;
}

void AppendXmlEscaped(std::string& out, std::string_view text, XmlEscape mode) {
    std::size_t run = 0; // start of the bytes copied unchanged
    auto flush_run = [&](std::size_t end) { out.append(text.substr(run, end - run)); };
    const std::size_t n = text.size();
    auto cont = [&](std::size_t k) {
        return k < n && (static_cast<unsigned char>(text[k]) & 0xC0) == 0x80;
    };
    for (std::size_t i = 0; i < n;) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (!kEscapeByte[c]) {
            ++i;
            continue;
        }
        // Two-byte sequences and three-byte ones led by E1..EC or EE are valid as soon as their
        // continuation bytes are; the rest takes the full check.
        if (c >= 0xC2 && c <= 0xDF && cont(i + 1)) {
            i += 2;
            continue;
        }
        if (((c >= 0xE1 && c <= 0xEC) || c == 0xEE) && cont(i + 1) && cont(i + 2)) {
            i += 3;
            continue;
        }
        if (c < 0x80) {
            std::string_view rep;
            switch (c) {
            case '&':
                rep = mode == XmlEscape::Cdata ? std::string_view{} : "&amp;";
                break;
            case '<':
                rep = mode == XmlEscape::Cdata ? std::string_view{} : "&lt;";
                break;
            case '>':
                if (mode != XmlEscape::Cdata) {
                    rep = "&gt;";
                } else {
                    // "]]>" cannot stand inside one section: the "]]" ends this one and the
                    // ">" opens the next. The written text decides, since controls may be gone.
                    flush_run(i);
                    run = i;
                    if (out.size() >= 2 && out.compare(out.size() - 2, 2, "]]") == 0)
                        rep = "]]><![CDATA[>";
                }
                break;
            case '"':
                rep = mode == XmlEscape::Attribute ? "&quot;" : std::string_view{};
                break;
            case '\'':
                rep = mode == XmlEscape::Attribute ? "&apos;" : std::string_view{};
                break;
            default:
                if (is_forbidden_control(c)) {
                    flush_run(i);
                    run = ++i;
                    continue;
                }
                break;
            }
            if (!rep.empty()) {
                flush_run(i);
                out += rep;
                run = i + 1;
            }
            ++i;
            continue;
        }
        std::size_t next = i;
        const char32_t cp = next_code_point(text, next);
        const bool invalid =
            cp == 0xFFFD && !(next - i == 3 && text.substr(i, 3) == "\xEF\xBF\xBD");
        if (invalid || cp == 0xFFFE || cp == 0xFFFF) {
            flush_run(i);
            if (invalid)
                out += "\xEF\xBF\xBD";
            run = next;
        }
        i = next;
    }
    flush_run(text.size());
}

bool WriteXml(const XmlDocument& doc, XmlSink& sink) {
    if (!doc.root())
        return false;
    BufferedWriter w(sink);
    w.buffer() += "<?xml version=\"1.0\" encoding=\"UTF-8\"?>";
    return write_node(*doc.root(), w) && w.flush();
}

} // namespace qp
