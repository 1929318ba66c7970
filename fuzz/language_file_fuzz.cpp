// Any bytes read as a language file: the reader never crashes, and the file a save writes reads
// back to the same table.
#include "core/language.h"
#include "core/text.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

namespace {

void check(bool ok) {
    if (!ok)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    qp::LangTable table;
    (void)table.read_entries(bytes);
    (void)table.Lang_Get("Menu\\Project.New", "%s2%", "x", "%w%");
    for (const auto& entry : table.entries())
        (void)table.Lang_Get(entry.Key, "a", "b", "c", "d", "e");

    const std::string saved = table.file_text("english", 0);
    qp::LangTable back;
    (void)back.read_entries(saved);

    // The author comes first in the file; every other entry follows in the sorted order.
    check(back.author() == table.author());
    const auto& a = table.entries();
    const auto& b = back.entries();
    std::size_t j = 0;
    for (const auto& entry : a) {
        if (qp::iequals(entry.Key, qp::kAuthorKey))
            continue;
        while (j < b.size() && qp::iequals(b[j].Key, qp::kAuthorKey))
            ++j;
        check(j < b.size());
        check(b[j].Key == entry.Key && b[j].Text == entry.Text);
        ++j;
    }
    while (j < b.size() && qp::iequals(b[j].Key, qp::kAuthorKey))
        ++j;
    check(j == b.size());
    return 0;
}
