// The podcast namespace's lists as the windows show them: a table of text cells per list, with
// the columns' headings and what each cell must read as. The windows edit cells; the rules of
// turning them into entries stay here.
#pragma once

#include "core/document.h"

#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace qp {

enum class CellKind {
    Text,
    Number,  // a whole number of 0 or more; empty: 0
    Decimal, // a number of 0 or more, fractions allowed; empty: 0
    Seconds, // a time as seconds or [[H:]MM:]SS with a fraction; empty: 0
    Date,    // "YYYY-MM-DD" with an optional " HH:MM[:SS]"; empty: none
    Flag,    // "1" set, "0" or "" not: a check box
};

struct ListColumn {
    std::string_view heading; // the heading's text key
    CellKind kind = CellKind::Text;
    int width = 0; // the column's starting width in pixels; 0: the table's default
};

using ListRow = std::vector<std::string>;

// Columns, cells and entries of one list, defined for each entry type below.
template <typename T> struct ListRows {
    static std::span<const ListColumn> columns();
    static ListRow row(const T& entry);
    // A cell that does not read as its kind gives 0 or empty; check the cells first.
    static T entry(const ListRow& row);
};

template <> std::span<const ListColumn> ListRows<Chapter>::columns();
template <> ListRow ListRows<Chapter>::row(const Chapter& entry);
template <> Chapter ListRows<Chapter>::entry(const ListRow& row);
template <> std::span<const ListColumn> ListRows<Transcript>::columns();
template <> ListRow ListRows<Transcript>::row(const Transcript& entry);
template <> Transcript ListRows<Transcript>::entry(const ListRow& row);
template <> std::span<const ListColumn> ListRows<Person>::columns();
template <> ListRow ListRows<Person>::row(const Person& entry);
template <> Person ListRows<Person>::entry(const ListRow& row);
template <> std::span<const ListColumn> ListRows<Soundbite>::columns();
template <> ListRow ListRows<Soundbite>::row(const Soundbite& entry);
template <> Soundbite ListRows<Soundbite>::entry(const ListRow& row);
template <> std::span<const ListColumn> ListRows<AlternateEnclosure>::columns();
template <> ListRow ListRows<AlternateEnclosure>::row(const AlternateEnclosure& entry);
template <> AlternateEnclosure ListRows<AlternateEnclosure>::entry(const ListRow& row);
template <> std::span<const ListColumn> ListRows<ValueRecipient>::columns();
template <> ListRow ListRows<ValueRecipient>::row(const ValueRecipient& entry);
template <> ValueRecipient ListRows<ValueRecipient>::entry(const ListRow& row);
template <> std::span<const ListColumn> ListRows<ValueTimeSplit>::columns();
template <> ListRow ListRows<ValueTimeSplit>::row(const ValueTimeSplit& entry);
template <> ValueTimeSplit ListRows<ValueTimeSplit>::entry(const ListRow& row);
template <> std::span<const ListColumn> ListRows<Trailer>::columns();
template <> ListRow ListRows<Trailer>::row(const Trailer& entry);
template <> Trailer ListRows<Trailer>::entry(const ListRow& row);
template <> std::span<const ListColumn> ListRows<FeedText>::columns();
template <> ListRow ListRows<FeedText>::row(const FeedText& entry);
template <> FeedText ListRows<FeedText>::entry(const ListRow& row);
template <> std::span<const ListColumn> ListRows<ServiceBlock>::columns();
template <> ListRow ListRows<ServiceBlock>::row(const ServiceBlock& entry);
template <> ServiceBlock ListRows<ServiceBlock>::entry(const ListRow& row);
template <> std::span<const ListColumn> ListRows<RemoteItem>::columns();
template <> ListRow ListRows<RemoteItem>::row(const RemoteItem& entry);
template <> RemoteItem ListRows<RemoteItem>::entry(const ListRow& row);

// Whether a cell's text reads as its kind.
bool cell_valid(CellKind kind, std::string_view text);
// The position of the row's first cell that does not read as its column's kind, or -1.
int first_bad_cell(std::span<const ListColumn> columns, const ListRow& row);

template <typename T> std::vector<ListRow> list_rows(const std::vector<T>& list) {
    std::vector<ListRow> rows;
    rows.reserve(list.size());
    for (const T& entry : list)
        rows.push_back(ListRows<T>::row(entry));
    return rows;
}

// The entries of rows, each row one entry.
template <typename T> std::vector<T> list_entries(const std::vector<ListRow>& rows) {
    std::vector<T> list;
    list.reserve(rows.size());
    for (const ListRow& row : rows)
        list.push_back(ListRows<T>::entry(row));
    return list;
}

} // namespace qp
