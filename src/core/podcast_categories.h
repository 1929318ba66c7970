// The categories the largest podcast directory lists shows under, with their subcategories. The
// feed names them in English; the windows show them through their language keys.
#pragma once

#include <span>
#include <string_view>

namespace qp {

struct PodcastCategory {
    std::string_view parent; // empty for a top-level category
    std::string_view name;   // as the feed writes it
    std::string_view key;    // language key of the name shown to the user
};

// Every category in the directory's order, each top-level one followed by its subcategories.
std::span<const PodcastCategory> podcast_categories();

// The entry of a category, or of a subcategory within it when sub is not empty; null when the
// directory does not list it. Names are compared exactly, as the directory does.
const PodcastCategory* podcast_category_find(std::string_view category, std::string_view sub);

} // namespace qp
