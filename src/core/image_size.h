// The kind and pixel size of a picture, read from the first bytes of its file: the PNG header
// chunk, or the JPEG frame header. Nothing is decoded.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace qp {

enum class ImageFormat { Unknown, Png, Jpeg };

struct ImageHeader {
    ImageFormat format = ImageFormat::Unknown;
    // 0 when the bytes end before the size, or the header is damaged.
    int width = 0;
    int height = 0;
};

// The frame header of a JPEG follows its metadata segments; this much of a file holds it for any
// picture a camera or an editor writes.
inline constexpr std::size_t kImageHeadBytes = std::size_t{1} << 20;

// The picture the bytes start with: a PNG by its signature, a JPEG by its start marker.
ImageHeader image_header(std::string_view bytes);

struct ImageFileHeader {
    std::string error; // empty when the file was read
    ImageHeader header;
};
// The header of the picture file at path, from its first kImageHeadBytes.
ImageFileHeader image_file_header(const std::string& path);

} // namespace qp
