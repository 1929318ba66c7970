// The preference reader takes any bytes; whatever it reads must survive a write and a read.
#include "core/ini_file.h"
#include "core/preferences.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>

using namespace qp;

namespace {

void check(bool ok) {
    if (!ok)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const IniReader read =
        IniReader::parse(std::string_view(reinterpret_cast<const char*>(data), size));

    IniWriter writer;
    std::size_t top = 0;
    for (const IniEntry& e : read.entries()) {
        if (e.in_group)
            break;
        writer.write_string(e.key, e.value);
        ++top;
    }
    const IniReader again = IniReader::parse(writer.bytes());
    check(again.entries().size() == top);
    for (std::size_t i = 0; i < top; ++i) {
        check(again.entries()[i].key == read.entries()[i].key);
        check(again.entries()[i].value == read.entries()[i].value);
    }

    static const Paths paths("/m/", "/d/", "/opt/", "");
    Log log;
    Preferences prefs(paths, log);
    Pref_RegisterAll(prefs);
    prefs.Pref_ReadItems(read, "");
    IniWriter items;
    prefs.Pref_WriteItems(items, "");
    const IniReader items_again = IniReader::parse(items.bytes());
    for (const PrefItem& item : prefs.table())
        check(items_again.read_string(item.Name, "\x01missing") == item.Value);
    return 0;
}
