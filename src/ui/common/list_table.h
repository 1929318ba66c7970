// A table of the window's layout, with its add, delete, up and down buttons, bound to one of the
// podcast namespace's lists. Cells are edited in place; a flag column is a check box.
#pragma once

#include "core/list_rows.h"

#include <QObject>

#include <span>
#include <string>
#include <string_view>
#include <vector>

class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

namespace qp {
class Texts;
}

namespace qp::ui {

class ListTable final : public QObject {
public:
    ListTable(QTreeWidget* tree, std::span<const ListColumn> columns, Texts& texts,
              QPushButton* add, QPushButton* remove, QPushButton* up, QPushButton* down);

    void set_rows(const std::vector<ListRow>& rows);
    // A row at the end, made the chosen one.
    void append_row(const ListRow& cells);
    // The rows, without one added by the button and left untouched.
    std::vector<ListRow> rows() const;
    template <typename T> void set(const std::vector<T>& list) { set_rows(list_rows(list)); }
    template <typename T> std::vector<T> entries() const { return list_entries<T>(rows()); }

    // A row after the chosen one (or at the end), in edit on its first text column.
    void add();
    void remove();
    void move(int by);
    // The first cell that does not read as its column's kind is made current and described in
    // the user's language; empty when every cell reads.
    std::string bad_cell_message();
    QTreeWidget* tree() const { return tree_; }
    // The column's cells are edited in a box that proposes values; any other may be typed.
    void propose(int column, std::span<const std::string_view> values);

private:
    QTreeWidgetItem* make_row(const ListRow& cells) const;
    std::vector<ListRow> all_rows(bool with_fresh) const;

    QTreeWidget* tree_;
    std::span<const ListColumn> columns_;
    Texts& texts_;
};

// A table of Person: its role and group cells propose the taxonomy, and a role from it brings its
// group when none is set, so the feed does not state the default group for it.
void propose_person_values(ListTable& table);

} // namespace qp::ui
