#include "ui/common/list_table.h"

#include "core/podcast_values.h"
#include "core/texts.h"
#include "ui/common/qt_text.h"

#include <QComboBox>
#include <QHeaderView>
#include <QPushButton>
#include <QStyledItemDelegate>
#include <QTreeWidget>

namespace qp::ui {

namespace {

bool is_flag(const ListColumn& c) {
    return c.kind == CellKind::Flag;
}

// Marks a row added by the button and not touched since: it is no entry yet.
constexpr int kFreshRole = Qt::UserRole + 1;

class ProposalDelegate final : public QStyledItemDelegate {
public:
    ProposalDelegate(QStringList values, QObject* parent)
        : QStyledItemDelegate(parent), values_(std::move(values)) {}

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& /*option*/,
                          const QModelIndex& /*index*/) const override {
        auto* box = new QComboBox(parent);
        box->setEditable(true);
        box->addItems(values_);
        return box;
    }
    void setEditorData(QWidget* editor, const QModelIndex& index) const override {
        static_cast<QComboBox*>(editor)->setEditText(index.data(Qt::EditRole).toString());
    }
    void setModelData(QWidget* editor, QAbstractItemModel* model,
                      const QModelIndex& index) const override {
        model->setData(index, static_cast<QComboBox*>(editor)->currentText(), Qt::EditRole);
    }

private:
    QStringList values_;
};

} // namespace

ListTable::ListTable(QTreeWidget* tree, std::span<const ListColumn> columns, Texts& texts,
                     QPushButton* add_button, QPushButton* remove_button, QPushButton* up,
                     QPushButton* down)
    : QObject(tree), tree_(tree), columns_(columns), texts_(texts) {
    QStringList headings;
    for (const ListColumn& c : columns_)
        headings << to_q(texts_.get(c.heading));
    tree_->setColumnCount(static_cast<int>(columns_.size()));
    tree_->setHeaderLabels(headings);
    tree_->setRootIsDecorated(false);
    tree_->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                           QAbstractItemView::SelectedClicked);
    for (std::size_t i = 0; i < columns_.size(); ++i)
        if (columns_[i].width > 0)
            tree_->header()->resizeSection(static_cast<int>(i), columns_[i].width);
    connect(add_button, &QPushButton::clicked, this, &ListTable::add);
    connect(remove_button, &QPushButton::clicked, this, &ListTable::remove);
    connect(up, &QPushButton::clicked, this, [this] { move(-1); });
    connect(down, &QPushButton::clicked, this, [this] { move(1); });
    connect(tree_, &QTreeWidget::itemChanged, this,
            [](QTreeWidgetItem* row, int) { row->setData(0, kFreshRole, QVariant()); });
}

QTreeWidgetItem* ListTable::make_row(const ListRow& cells) const {
    auto* row = new QTreeWidgetItem;
    row->setFlags(row->flags() | Qt::ItemIsEditable | Qt::ItemIsUserCheckable);
    for (std::size_t i = 0; i < columns_.size(); ++i) {
        const std::string cell = i < cells.size() ? cells[i] : std::string();
        const int column = static_cast<int>(i);
        if (is_flag(columns_[i]))
            row->setCheckState(column, cell == "1" ? Qt::Checked : Qt::Unchecked);
        else
            row->setText(column, to_q(cell));
    }
    return row;
}

void ListTable::set_rows(const std::vector<ListRow>& rows) {
    tree_->clear();
    for (const ListRow& cells : rows)
        tree_->addTopLevelItem(make_row(cells));
}

void ListTable::append_row(const ListRow& cells) {
    QTreeWidgetItem* row = make_row(cells);
    tree_->addTopLevelItem(row);
    tree_->setCurrentItem(row);
}

std::vector<ListRow> ListTable::rows() const {
    return all_rows(false);
}

std::vector<ListRow> ListTable::all_rows(bool with_fresh) const {
    std::vector<ListRow> rows;
    for (int r = 0; r < tree_->topLevelItemCount(); ++r) {
        const QTreeWidgetItem* row = tree_->topLevelItem(r);
        if (!with_fresh && row->data(0, kFreshRole).toBool())
            continue;
        ListRow& cells = rows.emplace_back();
        for (std::size_t i = 0; i < columns_.size(); ++i) {
            const int column = static_cast<int>(i);
            cells.push_back(is_flag(columns_[i])
                                ? (row->checkState(column) == Qt::Checked ? "1" : "0")
                                : from_q(row->text(column)));
        }
    }
    return rows;
}

void ListTable::add() {
    QTreeWidgetItem* current = tree_->currentItem();
    const int at = current ? tree_->indexOfTopLevelItem(current) + 1 : tree_->topLevelItemCount();
    // Marked before it joins the tree, so the mark sends no change.
    QTreeWidgetItem* row = make_row(ListRow(columns_.size()));
    row->setData(0, kFreshRole, true);
    tree_->insertTopLevelItem(at, row);
    int first_text = 0;
    while (first_text < static_cast<int>(columns_.size()) &&
           is_flag(columns_[static_cast<std::size_t>(first_text)]))
        ++first_text;
    tree_->setCurrentItem(row, first_text);
    tree_->setFocus();
    if (first_text < static_cast<int>(columns_.size()))
        tree_->editItem(row, first_text);
}

void ListTable::remove() {
    if (QTreeWidgetItem* current = tree_->currentItem())
        delete tree_->takeTopLevelItem(tree_->indexOfTopLevelItem(current));
}

void ListTable::move(int by) {
    QTreeWidgetItem* current = tree_->currentItem();
    if (!current)
        return;
    const int from = tree_->indexOfTopLevelItem(current);
    const int to = from + by;
    if (to < 0 || to >= tree_->topLevelItemCount())
        return;
    QTreeWidgetItem* row = tree_->takeTopLevelItem(from);
    tree_->insertTopLevelItem(to, row);
    tree_->setCurrentItem(row);
}

std::string ListTable::bad_cell_message() {
    const std::vector<ListRow> all = all_rows(true);
    for (std::size_t r = 0; r < all.size(); ++r) {
        const int column = first_bad_cell(columns_, all[r]);
        if (column < 0)
            continue;
        tree_->setCurrentItem(tree_->topLevelItem(static_cast<int>(r)), column);
        const auto c = static_cast<std::size_t>(column);
        return texts_.get("List.BadCell",
                          {std::to_string(r + 1), texts_.get(columns_[c].heading), all[r][c]});
    }
    return {};
}

void ListTable::propose(int column, std::span<const std::string_view> values) {
    QStringList list;
    for (const std::string_view value : values)
        if (!list.contains(to_q(value)))
            list << to_q(value);
    tree_->setItemDelegateForColumn(column, new ProposalDelegate(list, this));
}

void propose_person_values(ListTable& table) {
    std::vector<std::string_view> roles;
    for (const PersonRole& r : person_roles())
        roles.push_back(r.role);
    table.propose(1, roles);
    table.propose(2, person_groups());
    QObject::connect(
        table.tree(), &QTreeWidget::itemChanged, &table, [](QTreeWidgetItem* row, int column) {
            if (column == 1 && row->text(2).trimmed().isEmpty())
                row->setText(2, to_q(person_role_group(from_q(row->text(1).trimmed()))));
        });
}

} // namespace qp::ui
