#include "ui/shell/workspace.h"

#include "core/dates.h"
#include "core/text.h"
#include "core/texts.h"
#include "ui/common/qt_text.h"

#include <QHeaderView>
#include <QPlainTextEdit>
#include <QTreeWidget>
#include <QUndoStack>

namespace qp::ui {

Workspace Doc_CreateGadgets(QWidget* parent, Texts& texts, const QFont& font) {
    Workspace w;
    w.list = new QTreeWidget(parent);
    w.list->setColumnCount(3);
    w.list->setHeaderLabels({to_q(texts.get("ListView.Title")), to_q(texts.get("ListView.Pubdate")),
                             to_q(texts.get("ListView.AssociatedFile"))});
    w.list->setColumnWidth(0, 200);
    w.list->setColumnWidth(1, 100);
    w.list->setColumnWidth(2, 100);
    w.list->setRootIsDecorated(false);
    w.list->setItemsExpandable(false);
    w.list->setUniformRowHeights(true);
    w.list->setSelectionMode(QAbstractItemView::SingleSelection);
    w.list->setSelectionBehavior(QAbstractItemView::SelectRows);
    w.list->setToolTip(to_q(texts.get("ListView.Tip")));
    w.list->setFont(font);
    w.list->setContextMenuPolicy(Qt::CustomContextMenu);

    w.editor = new QPlainTextEdit(parent);
    w.editor->setToolTip(to_q(texts.get("Editor.Tip")));
    w.editor->setFont(font);
    w.editor->setContextMenuPolicy(Qt::CustomContextMenu);
    w.editor->document()->setModified(false);

    w.undo = new QUndoStack(w.list);

    w.list->hide();
    w.editor->hide();
    return w;
}

void Doc_FreeGadgets(Workspace& workspace) {
    // The stack's last signals would reach a window already taking the document away.
    if (workspace.undo != nullptr)
        workspace.undo->blockSignals(true);
    delete workspace.undo;
    delete workspace.list;
    delete workspace.editor;
    workspace = {};
}

std::string Feed_RowText(const Feed& feed) {
    return feed.FeedTitle + '\n' + DateToText("%dd/%mm/%yyyy %hh:%ii", feed.FeedPubDate) + '\n' +
           feed.FeedFile;
}

void FeedList_SetRow(QTreeWidget* list, int row, const std::string& row_text) {
    QTreeWidgetItem* item = list->topLevelItem(row);
    if (item == nullptr)
        return;
    const QStringList columns = to_q(row_text).split(QLatin1Char('\n'));
    for (int c = 0; c < 3; ++c)
        item->setText(c, c < columns.size() ? columns[c] : QString());
}

int FeedList_Fill(QTreeWidget* list, const Doc& doc, int key) {
    list->clear();
    QList<QTreeWidgetItem*> items;
    items.reserve(static_cast<qsizetype>(doc.Feeds.size()));
    int selected = 0;
    int row = 0;
    for (const Feed& feed : doc.Feeds) {
        auto* item = new QTreeWidgetItem;
        const QStringList columns = to_q(Feed_RowText(feed)).split(QLatin1Char('\n'));
        for (int c = 0; c < 3 && c < columns.size(); ++c)
            item->setText(c, columns[c]);
        item->setData(0, Qt::UserRole, row);
        items.append(item);
        if (row == key)
            selected = row;
        ++row;
    }
    list->addTopLevelItems(items);
    if (QTreeWidgetItem* item = list->topLevelItem(selected))
        list->setCurrentItem(item);
    return selected;
}

int ListRowData(QTreeWidget* list, int row) {
    QTreeWidgetItem* item = row < 0 ? nullptr : list->topLevelItem(row);
    return item == nullptr ? -1 : item->data(0, Qt::UserRole).toInt();
}

int feed_list_selected_row(QTreeWidget* list) {
    QTreeWidgetItem* item = list->currentItem();
    if (item == nullptr || !item->isSelected())
        return -1;
    return list->indexOfTopLevelItem(item);
}

QString editor_text_of(const std::string& feed_text) {
    return to_q(replace_all(feed_text, "\r\n", "\n"));
}

std::string editor_feed_text(const QPlainTextEdit* editor) {
    QString text = editor->document()->toRawText();
    text.replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
    text.replace(QChar::LineSeparator, QLatin1Char('\n'));
    return replace_all(from_q(text), "\n", "\r\n");
}

} // namespace qp::ui
