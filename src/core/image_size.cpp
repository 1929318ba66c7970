#include "core/image_size.h"

#include "core/file_io.h"

#include <cstdint>

namespace qp {

namespace {

std::uint32_t big_endian(std::string_view bytes, std::size_t at, std::size_t count) {
    std::uint32_t v = 0;
    for (std::size_t i = 0; i < count; ++i)
        v = (v << 8) | static_cast<unsigned char>(bytes[at + i]);
    return v;
}

ImageHeader png_header(std::string_view bytes) {
    ImageHeader h{ImageFormat::Png, 0, 0};
    // Signature, then the first chunk, which must be IHDR: length, name, width, height.
    if (bytes.size() < 24 || bytes.substr(12, 4) != "IHDR")
        return h;
    const std::uint32_t w = big_endian(bytes, 16, 4);
    const std::uint32_t ht = big_endian(bytes, 20, 4);
    // The format caps both at 2^31 - 1; larger values mark a damaged header.
    if (w > 0x7FFFFFFF || ht > 0x7FFFFFFF)
        return h;
    h.width = static_cast<int>(w);
    h.height = static_cast<int>(ht);
    return h;
}

// Start-of-frame markers: every SOFn but DHT (C4), JPG (C8) and DAC (CC), which share the range.
bool is_frame_marker(unsigned char m) {
    return m >= 0xC0 && m <= 0xCF && m != 0xC4 && m != 0xC8 && m != 0xCC;
}

ImageHeader jpeg_header(std::string_view bytes) {
    ImageHeader h{ImageFormat::Jpeg, 0, 0};
    std::size_t at = 2;
    while (at + 1 < bytes.size()) {
        if (static_cast<unsigned char>(bytes[at]) != 0xFF)
            return h; // not a marker where one must be: damaged
        const auto marker = static_cast<unsigned char>(bytes[at + 1]);
        if (marker == 0xFF) { // fill byte before a marker
            ++at;
            continue;
        }
        at += 2;
        // Markers that stand alone, without a length.
        if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7))
            continue;
        // The image data or its end, with no frame header before it.
        if (marker == 0xD8 || marker == 0xD9 || marker == 0xDA || at + 2 > bytes.size())
            return h;
        const std::size_t length = big_endian(bytes, at, 2);
        if (length < 2)
            return h;
        if (is_frame_marker(marker)) {
            // Length, sample precision, then height and width.
            if (length < 7 || at + 7 > bytes.size())
                return h;
            h.height = static_cast<int>(big_endian(bytes, at + 3, 2));
            h.width = static_cast<int>(big_endian(bytes, at + 5, 2));
            return h;
        }
        at += length;
    }
    return h;
}

} // namespace

ImageHeader image_header(std::string_view bytes) {
    if (bytes.starts_with("\x89PNG\r\n\x1A\n"))
        return png_header(bytes);
    if (bytes.starts_with("\xFF\xD8\xFF"))
        return jpeg_header(bytes);
    return {};
}

ImageFileHeader image_file_header(const std::string& path) {
    ImageFileHeader out;
    std::string head;
    if (FileResult r = read_file_head(path, head, kImageHeadBytes); !r.ok())
        out.error = r.error_text();
    else
        out.header = image_header(head);
    return out;
}

} // namespace qp
