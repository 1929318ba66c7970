// The directory's category list and the feed identity of the podcast namespace.
#include "core/podcast_categories.h"
#include "core/podcast_guid.h"

#include <gtest/gtest.h>

#include <string>

namespace qp {
namespace {

std::string hex(const std::array<std::uint8_t, 20>& h) {
    std::string s;
    for (const std::uint8_t b : h) {
        s += "0123456789abcdef"[b >> 4];
        s += "0123456789abcdef"[b & 15];
    }
    return s;
}

TEST(PodcastGuid, Sha1AtTheBlockEdges) {
    EXPECT_EQ(hex(sha1("")), "da39a3ee5e6b4b0d3255bfef95601890afd80709");
    EXPECT_EQ(hex(sha1("abc")), "a9993e364706816aba3e25717850c26c9cd0d89d");
    // 56 bytes leave no room for the length: the padding spills into a second block.
    EXPECT_EQ(hex(sha1("abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq")),
              "84983e441c3bd26ebaae4aa1f95129e5e54670f1");
    EXPECT_EQ(hex(sha1(std::string(64, 'a'))), "0098ba824b5c16427bd7a1122a5a442a25ec644d");
}

TEST(PodcastGuid, NamespaceExampleWithAnySchemeAndTrailingSlashes) {
    // The example the podcast namespace publishes.
    const std::string expected = "917393e3-1b1e-5cef-ace4-edaa54e1f810";
    EXPECT_EQ(podcast_guid("https://mp3s.nashownotes.com/pc20rss.xml"), expected);
    EXPECT_EQ(podcast_guid("http://mp3s.nashownotes.com/pc20rss.xml//"), expected);
    EXPECT_EQ(podcast_guid("mp3s.nashownotes.com/pc20rss.xml"), expected);
    EXPECT_EQ(podcast_guid("https://"), "");
}

TEST(PodcastCategories, TheDirectoryList) {
    // The directory's published list: each category, then its subcategories.
    const std::string published =
        "Arts:Books,Design,Fashion & Beauty,Food,Performing Arts,Visual Arts;"
        "Business:Careers,Entrepreneurship,Investing,Management,Marketing,Non-Profit;"
        "Comedy:Comedy Interviews,Improv,Stand-Up;"
        "Education:Courses,How To,Language Learning,Self-Improvement;"
        "Fiction:Comedy Fiction,Drama,Science Fiction;Government:;History:;"
        "Health & Fitness:Alternative Health,Fitness,Medicine,Mental Health,Nutrition,Sexuality;"
        "Kids & Family:Education for Kids,Parenting,Pets & Animals,Stories for Kids;"
        "Leisure:Animation & Manga,Automotive,Aviation,Crafts,Games,Hobbies,Home & Garden,"
        "Video Games;Music:Music Commentary,Music History,Music Interviews;"
        "News:Business News,Daily News,Entertainment News,News Commentary,Politics,Sports News,"
        "Tech News;Religion & Spirituality:Buddhism,Christianity,Hinduism,Islam,Judaism,Religion,"
        "Spirituality;Science:Astronomy,Chemistry,Earth Sciences,Life Sciences,Mathematics,"
        "Natural Sciences,Nature,Physics,Social Sciences;Society & Culture:Documentary,"
        "Personal Journals,Philosophy,Places & Travel,Relationships;Sports:Baseball,Basketball,"
        "Cricket,Fantasy Sports,Football,Golf,Hockey,Rugby,Running,Soccer,Swimming,Tennis,"
        "Volleyball,Wilderness,Wrestling;Technology:;True Crime:;TV & Film:After Shows,"
        "Film History,Film Interviews,Film Reviews,TV Reviews;";
    std::string table;
    const auto close = [&table] {
        if (!table.empty() && table.back() == ',')
            table.back() = ';';
        else if (!table.empty())
            table += ';';
    };
    for (const PodcastCategory& c : podcast_categories()) {
        if (c.parent.empty()) {
            close();
            table += std::string(c.name) + ":";
        } else {
            ASSERT_EQ(&c, podcast_category_find(c.parent, c.name));
            table += std::string(c.name) + ",";
        }
    }
    close();
    EXPECT_EQ(table, published);
    EXPECT_NE(podcast_category_find("Technology", ""), nullptr);
    EXPECT_EQ(podcast_category_find("Tech News", ""), nullptr);  // a subcategory, not a category
    EXPECT_EQ(podcast_category_find("technology", ""), nullptr); // names are case-sensitive
}

} // namespace
} // namespace qp
