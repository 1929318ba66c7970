// The picture header reader on any bytes: it never reads past them, and a size it gives fits the
// format's fields.
#include "core/image_size.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const qp::ImageHeader h = qp::Image_Header(bytes);
    if (h.width < 0 || h.height < 0)
        std::abort();
    if (h.format == qp::ImageFormat::Unknown && (h.width != 0 || h.height != 0))
        std::abort();
    // A JPEG frame holds each side in 16 bits.
    if (h.format == qp::ImageFormat::Jpeg && (h.width > 0xFFFF || h.height > 0xFFFF))
        std::abort();
    return 0;
}
