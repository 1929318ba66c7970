// Reading an RSS 2.0 feed made elsewhere (with its iTunes and podcast namespace elements) into a
// new document. What the document does not model is kept as XML, so writing the feed again
// loses nothing. The parser loads no DTD, resolves no external entity and refuses any entity
// declaration, so a hostile feed can neither read files nor expand without bound.
#pragma once

#include "core/document.h"
#include "core/result.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace qp {

// The largest feed read: far above the largest real podcast feeds.
inline constexpr std::uint64_t kFeedMaxBytes = std::uint64_t{64} << 20;

// Called now and then with the bytes read so far and the whole size.
using ImportProgress = std::function<void(std::uint64_t done, std::uint64_t total)>;

struct ImportOptions {
    std::uint64_t max_bytes = kFeedMaxBytes;
    // Set by another thread to stop the import, which then fails with ErrorKind::Cancelled.
    const std::atomic<bool>* cancel = nullptr;
    ImportProgress progress;
};

// Elements kept as they stand, counted by name and place.
struct KeptElement {
    std::string where; // "channel" or "item"
    std::string name;  // as the feed spells it, with its prefix
    int count = 0;
};

struct ImportedFeed {
    Doc doc;
    std::vector<KeptElement> kept;
    // What the import could not carry over exactly (a date it could not read, a second
    // enclosure, an element the program writes itself), one line each.
    std::vector<std::string> notes;
};

// Reads a feed's bytes: UTF-8, UTF-16 with a byte-order mark, or any encoding the XML
// declaration names that the parser knows (ISO-8859-1, Windows-1252, ...). The document gets the
// defaults of a new one, the feed's settings and its items in the feed's order; dates keep their
// instant, in the feed's zone when every date states the same whole-hour zone, else in the
// automatic zone. Fails with BadInput (not XML, not RSS, entities, no items), TooLarge or
// Cancelled.
Result<ImportedFeed> import_feed(std::string_view bytes, const ImportOptions& options = {});

// import_feed on a file, which is refused unread when larger than options.max_bytes.
Result<ImportedFeed> import_feed_file(const std::string& path, const ImportOptions& options = {});

// Whether markup is a run of well-formed XML elements and text, every prefix declared, without
// a DTD or an entity other than the five XML predefines.
bool is_well_formed_fragment(std::string_view markup);

} // namespace qp
