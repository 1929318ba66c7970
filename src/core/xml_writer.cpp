#include "core/xml_writer.h"

#include "core/byte_scan.h"
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

// Controls that attribute values lose: 1 to 31.
constexpr auto kControl = [](auto c) { return (c >= 1) & (c < 0x20); };

// Whether text holds a control that AddXmlNode strips: 1 to 31 except TAB, LF and CR (NUL is
// left to the escaping). The scan stops at every control and looks closer only there.
bool has_stripped_control(std::string_view text) {
    constexpr auto any_control = [](auto c) { return c < 0x20; };
    for (std::size_t i = 0; (i = find_byte_if(text, i, any_control)) < text.size(); ++i)
        if (text[i] != '\0' && text[i] != '\t' && text[i] != '\n' && text[i] != '\r')
            return true;
    return false;
}

// Bytes the escaping has to look at: markup characters, controls and every non-ASCII byte.
// TAB, LF and CR are looked at and kept; the quotes matter in attribute values only. Shifted
// by 0x20, the controls and the bytes from 0x80 up make one range; '<' and '>' differ in one
// bit.
constexpr auto kTextByte = [](auto c) {
    return (((c + 0xE0) & 0xFF) >= 0x60) | (c == '&') | ((c | 2) == '>');
};
constexpr auto kAttributeByte = [](auto c) {
    return (((c + 0xE0) & 0xFF) >= 0x60) | (c == '&') | ((c | 2) == '>') | (c == '"') | (c == '\'');
};
constexpr auto kCdataByte = [](auto c) { return (((c + 0xE0) & 0xFF) >= 0x60) | (c == '>'); };

constexpr PaddedText kAposEntity = entity("apos");

// What each ASCII byte becomes in element text or an attribute value.
template <XmlEscape Mode>
constexpr auto kAsciiReplacement = [] {
    std::array<PaddedText, 128> table{};
    for (std::size_t c = 0; c < table.size(); ++c)
        table[c] = {{static_cast<char>(c)}, 1};
    table['&'] = kAmpEntity;
    table['<'] = kLtEntity;
    table['>'] = kGtEntity;
    if (Mode == XmlEscape::Attribute) {
        table['"'] = kQuotEntity;
        table['\''] = kAposEntity;
    }
    return table;
}();

template <XmlEscape Mode, typename Pred>
void append_escaped(std::string& to, std::string_view text, Pred is_special) {
    StringAppender out(to, text.size() + text.size() / 4 + 16);
    const std::size_t n = text.size();
    for (std::size_t i = 0; i < n;) {
#if defined(__GNUC__)
        if constexpr (Mode != XmlEscape::Cdata) {
            // HTML made by the special-character pass is dense with markup characters: 16 bytes
            // that hold only ASCII and no control are escaped through the table without a
            // branch per byte.
            if (i + 16 <= n) {
                detail::ByteVec v;
                std::memcpy(&v, text.data() + i, 16);
                if (detail::first_hit(is_special(v)) == 16) {
                    std::memcpy(out.scratch(16), &v, 16);
                    out.advance(16);
                    i += 16;
                    continue;
                }
                if (detail::first_hit(((v + 0xE0) & 0xFF) >= 0x60) == 16) {
                    char* p = out.scratch(std::size_t{16} * 8);
                    const char* start = p;
                    for (std::size_t k = 0; k < 16; ++k) {
                        const PaddedText& r = kAsciiReplacement<Mode>[v[k]];
                        std::memcpy(p, r.bytes.data(), 8);
                        p += r.len;
                    }
                    out.advance(static_cast<std::size_t>(p - start));
                    i += 16;
                    continue;
                }
            }
        }
#endif
        i = copy_until(out, text, i, is_special);
        if (i == n)
            break;
        const auto c = static_cast<unsigned char>(text[i]);
        if (c >= 0x80) {
            // Two-byte sequences and three-byte ones led by E1..EC or EE are valid as soon as
            // their continuation bytes are; the rest takes the full check.
            std::size_t next = i;
            if (c >= 0xC2 && c <= 0xDF && is_continuation_at(text, i + 1)) {
                next = i + 2;
            } else if (((c >= 0xE1 && c <= 0xEC) || c == 0xEE) && is_continuation_at(text, i + 1) &&
                       is_continuation_at(text, i + 2)) {
                next = i + 3;
            } else {
                const char32_t cp = next_code_point(text, next);
                const bool invalid =
                    cp == 0xFFFD && !(next - i == 3 && text.substr(i, 3) == "\xEF\xBF\xBD");
                if (invalid || cp == 0xFFFE || cp == 0xFFFF) {
                    if (invalid)
                        out.append("\xEF\xBF\xBD");
                    i = next;
                    continue;
                }
            }
            out.append(text.substr(i, next - i));
            i = next;
            continue;
        }
        const std::string_view one = text.substr(i, 1);
        ++i;
        if (c < 0x20) {
            if (!is_forbidden_control(c))
                out.append(one);
            continue;
        }
        // Each mode stops only at its own bytes; the checks keep a stray stop harmless.
        constexpr bool kMarkup = Mode != XmlEscape::Cdata;
        constexpr bool kQuotes = Mode == XmlEscape::Attribute;
        switch (c) {
        case '&':
            kMarkup ? out.append(kAmpEntity) : out.append(one);
            break;
        case '<':
            kMarkup ? out.append(kLtEntity) : out.append(one);
            break;
        case '>':
            if constexpr (kMarkup) {
                out.append(kGtEntity);
            } else {
                // "]]>" cannot stand inside one section: the "]]" ends this one and the ">"
                // opens the next. The written text decides, since controls may be gone.
                const char* end = out.data() + out.size();
                if (out.size() >= 2 && end[-2] == ']' && end[-1] == ']')
                    out.append("]]><![CDATA[>");
                else
                    out.append(one);
            }
            break;
        case '"':
            kQuotes ? out.append(kQuotEntity) : out.append(one);
            break;
        case '\'':
            kQuotes ? out.append(kAposEntity) : out.append(one);
            break;
        default:
            out.append(one);
            break;
        }
    }
}

// Nodes are never destroyed one by one: everything they hold lies in the same memory, which
// the document releases as a whole.
XmlNode* new_node(std::pmr::memory_resource* memory) {
    return ::new (memory->allocate(sizeof(XmlNode), alignof(XmlNode))) XmlNode(memory);
}

} // namespace

bool is_xml_name(std::string_view name) {
    if (name.empty() || !is_name_start(name.front()))
        return false;
    for (const char c : name)
        if (!is_name_char(c))
            return false;
    return true;
}

XmlNode* XmlDocument::set_root(std::string_view name) {
    if (!is_xml_name(name))
        return nullptr;
    if (!storage_)
        storage_ = std::make_unique<Storage>();
    storage_->root = new_node(&storage_->memory);
    storage_->root->name = name;
    return storage_->root;
}

XmlNode* AddXmlNode(XmlNode* parent, std::string_view name, std::string_view text) {
    if (!parent || parent->kind != XmlNode::Kind::Element || !is_xml_name(name))
        return nullptr;
    std::pmr::memory_resource* memory = parent->children.get_allocator().resource();
    XmlNode* node = new_node(memory);
    node->name = name;
    if (!text.empty()) {
        const std::string_view inner = trimmed(text);
        if (inner.size() >= 2 && inner.front() == '{' && inner.back() == '}') {
            XmlNode* cdata = new_node(memory);
            cdata->kind = XmlNode::Kind::Cdata;
            cdata->text = inner.substr(1, inner.size() - 2);
            node->children.push_back(cdata);
        } else if (has_stripped_control(text)) {
            node->text = strip_controls(text, "\t\n\r");
        } else {
            node->text = text;
        }
    }
    parent->children.push_back(node);
    return node;
}

XmlNode* add_xml_markup(XmlNode* parent, std::string_view markup) {
    if (!parent || parent->kind != XmlNode::Kind::Element)
        return nullptr;
    XmlNode* node = new_node(parent->children.get_allocator().resource());
    node->kind = XmlNode::Kind::Markup;
    node->text = markup;
    parent->children.push_back(node);
    return node;
}

bool SetXmlAttribute(XmlNode* node, std::string_view name, std::string_view value,
                     AttributeName spelling) {
    if (!node || node->kind != XmlNode::Kind::Element || !is_xml_name(name))
        return false;
    std::string lower(name);
    if (spelling == AttributeName::Lowered)
        for (char& c : lower)
            if (c >= 'A' && c <= 'Z')
                c = static_cast<char>(c + 32);
    std::string stripped;
    if (find_byte_if(value, 0, kControl) < value.size()) {
        stripped = strip_controls(value);
        value = stripped;
    }
    // A view of value or of stripped, both alive to the end: the value is copied once, into the
    // node.
    const std::string_view clean = trimmed(value);
    auto& attrs = node->attributes;
    for (auto it = attrs.begin(); it != attrs.end(); ++it) {
        if (std::string_view(it->first) == lower) {
            if (clean.empty())
                attrs.erase(it);
            else
                it->second = clean;
            return true;
        }
    }
    if (!clean.empty())
        attrs.emplace_back(std::string_view(lower), clean);
    return true;
}

void append_xml_escaped(std::string& out, std::string_view text, XmlEscape mode) {
    switch (mode) {
    case XmlEscape::Text:
        append_escaped<XmlEscape::Text>(out, text, kTextByte);
        break;
    case XmlEscape::Attribute:
        append_escaped<XmlEscape::Attribute>(out, text, kAttributeByte);
        break;
    case XmlEscape::Cdata:
        append_escaped<XmlEscape::Cdata>(out, text, kCdataByte);
        break;
    }
}

// The output is collected in large pieces so the sink sees few calls; a sink that offers its
// string is written to directly.
constexpr std::size_t kChunk = std::size_t{64} * 1024;

XmlStreamWriter::XmlStreamWriter(XmlSink& sink) : sink_(sink), out_(sink.direct()) {
    if (!out_) {
        buffer_.reserve(kChunk + 4096);
        out_ = &buffer_;
    }
    *out_ += R"(<?xml version="1.0" encoding="UTF-8"?>)";
}

void XmlStreamWriter::put_start(const XmlNode& element) {
    std::string& out = *out_;
    out += '<';
    out += element.name;
    for (const auto& [name, value] : element.attributes) {
        out += ' ';
        out += name;
        out += "=\"";
        append_xml_escaped(out, value, XmlEscape::Attribute);
        out += '"';
    }
}

void XmlStreamWriter::put_end(const XmlNode& element) {
    std::string& out = *out_;
    out += "</";
    out += element.name;
    out += '>';
}

void XmlStreamWriter::put_node(const XmlNode& node) {
    std::string& out = *out_;
    if (node.kind == XmlNode::Kind::Markup) {
        out += node.text;
    } else if (node.kind == XmlNode::Kind::Cdata) {
        out += "<![CDATA[";
        append_xml_escaped(out, node.text, XmlEscape::Cdata);
        out += "]]>";
    } else if (node.text.empty() && node.children.empty()) {
        put_start(node);
        out += "/>";
    } else {
        put_start(node);
        out += '>';
        append_xml_escaped(out, node.text, XmlEscape::Text);
        for (const XmlNode* child : node.children) {
            // A failed sink stops the walk; a large subtree goes out in chunks as it is written.
            if (!maybe_flush())
                return;
            put_node(*child);
        }
        put_end(node);
    }
}

bool XmlStreamWriter::maybe_flush() {
    if (!ok_)
        return false;
    if (buffer_.size() >= kChunk) {
        ok_ = sink_.write(buffer_);
        buffer_.clear();
    }
    return ok_;
}

bool XmlStreamWriter::open(const XmlNode& element) {
    put_start(element);
    *out_ += '>';
    return maybe_flush();
}

bool XmlStreamWriter::write(const XmlNode& node) {
    put_node(node);
    return maybe_flush();
}

bool XmlStreamWriter::close(const XmlNode& element) {
    put_end(element);
    return maybe_flush();
}

bool XmlStreamWriter::finish() {
    if (ok_ && !buffer_.empty()) {
        ok_ = sink_.write(buffer_);
        buffer_.clear();
    }
    return ok_;
}

bool write_xml(const XmlDocument& doc, XmlSink& sink) {
    if (!doc.root())
        return false;
    XmlStreamWriter w(sink);
    return w.write(*doc.root()) && w.finish();
}

} // namespace qp
