#include "core/lang_edit.h"

#include "core/text.h"

namespace qp {

void LangEditList::fill() {
    table_.sort();
    keys_.clear();
    keys_.reserve(table_.entries().size());
    for (const LangEntry& entry : table_.entries())
        keys_.push_back(entry.Key);
}

const LangEntry* LangEditList::entry(int row) const {
    if (row < 0 || row >= size())
        return nullptr;
    const auto pos = table_.find(keys_[static_cast<std::size_t>(row)]);
    return pos ? &table_.entries()[*pos] : nullptr;
}

std::string LangEditList::item_text(int row) const {
    const LangEntry* e = entry(row);
    if (e == nullptr)
        return {};
    return e->Key + (stored_.contains(e->Key) ? " == " : " = ") + e->Text;
}

bool LangEditList::is_missing(int row) const {
    const LangEntry* e = entry(row);
    if (e == nullptr)
        return false;
    // Judged on the entry, not the row's text: a text that starts with "=" is still a text.
    return stored_.contains(e->Key) || trimmed(e->Text).empty();
}

bool LangEditList::store(int row, std::string text) {
    const LangEntry* e = entry(row);
    if (e == nullptr)
        return false;
    const auto pos = static_cast<std::size_t>(e - table_.entries().data());
    stored_.insert(e->Key);
    table_.set_text(pos, std::move(text));
    return true;
}

void LangEditList::remove(int row) {
    const LangEntry* e = entry(row);
    if (e == nullptr)
        return;
    stored_.erase(e->Key);
    table_.remove(static_cast<std::size_t>(e - table_.entries().data()));
}

int LangEditList::find_missing(int from, int direction) const {
    if (direction == 0)
        return -1;
    for (int row = from; row >= 0 && row < size(); row += direction)
        if (is_missing(row))
            return row;
    return -1;
}

} // namespace qp
