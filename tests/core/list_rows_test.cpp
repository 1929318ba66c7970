#include "core/list_rows.h"

#include "directory_doc.h"

#include <gtest/gtest.h>

using namespace qp;

namespace {

template <typename T> void expect_round_trip(const std::vector<T>& list) {
    ASSERT_FALSE(list.empty());
    const std::vector<ListRow> rows = list_rows(list);
    for (const ListRow& row : rows) {
        EXPECT_EQ(row.size(), ListRows<T>::columns().size());
        EXPECT_EQ(first_bad_cell(ListRows<T>::columns(), row), -1);
    }
    EXPECT_EQ(list_entries<T>(rows), list);
}

} // namespace

// Every list of a full document shows as cells that read back to the same entries.
TEST(ListRows, EveryListRoundTripsThroughItsCells) {
    const Doc d = test::everything_doc();
    const Feed& f = d.Feeds[0];
    expect_round_trip(f.FeedChapters);
    expect_round_trip(f.FeedTranscripts);
    expect_round_trip(f.FeedPersons);
    expect_round_trip(f.FeedSoundbites);
    expect_round_trip(f.FeedAlternates);
    expect_round_trip(f.FeedValueRecipients);
    expect_round_trip(f.FeedValueSplits);
    expect_round_trip(d.Trailers);
    expect_round_trip(d.Texts);
    expect_round_trip(d.Blocks);
    expect_round_trip(d.Podroll);
}

TEST(ListRows, CellsAreCheckedAndReadByKind) {
    for (const char* bad : {"-1", "1.5", "12a", " x"})
        EXPECT_FALSE(cell_valid(CellKind::Number, bad)) << bad;
    for (const char* bad : {"2023-02-29", "2023-13-01", "2023-01-01 24:00", "2023-1", "1/2/2023"})
        EXPECT_FALSE(cell_valid(CellKind::Date, bad)) << bad;
    EXPECT_FALSE(cell_valid(CellKind::Seconds, "1:75"));
    EXPECT_FALSE(cell_valid(CellKind::Decimal, "inf"));
    EXPECT_TRUE(cell_valid(CellKind::Date, "2024-02-29 23:59"));
    EXPECT_TRUE(cell_valid(CellKind::Seconds, " "));

    EXPECT_EQ(first_bad_cell(ListRows<Soundbite>::columns(), {"1:00", "x", ""}), 1);
    // A local name and an address land in their own member.
    const auto transcripts = list_entries<Transcript>(
        {{"%media%/ep.srt", "", "", "1"}, {"https://ex.com/t.vtt", "", "", ""}});
    ASSERT_EQ(transcripts.size(), 2u);
    EXPECT_EQ(transcripts[0].File + "|" + transcripts[1].Url,
              "%media%/ep.srt|https://ex.com/t.vtt");
    EXPECT_EQ(transcripts[0].Captions, 1);
    EXPECT_EQ(list_entries<Trailer>({{"T", "u", "2024-02-29", "", "", ""}})[0].PubDate,
              date_from_fields(2024, 2, 29, 0, 0, 0));
}
