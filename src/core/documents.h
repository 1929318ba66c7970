// The list of open documents: at most five, in the order they were opened, with a current one
// that every command works on.
#pragma once

#include "core/document.h"

#include <memory>
#include <string_view>
#include <vector>

namespace qp {

class Log;

class Docs {
public:
    static constexpr int kMaxDocs = 5;

    int count() const { return static_cast<int>(docs_.size()); }
    bool empty() const { return docs_.empty(); }
    bool full() const { return count() >= kMaxDocs; }

    // The document at a position; positions are 0-based and valid while the list is unchanged.
    // Documents never move in memory, so the window can key its widgets on their address.
    Doc& at(int index) { return *docs_.at(static_cast<std::size_t>(index)); }
    const Doc& at(int index) const { return *docs_.at(static_cast<std::size_t>(index)); }
    // Position of a document of this list, -1 when it is not one.
    int index_of(const Doc* doc) const;

    // nullptr / -1 when no document is current.
    Doc* current() {
        return current_ < 0 ? nullptr : docs_[static_cast<std::size_t>(current_)].get();
    }
    int current_index() const { return current_; }
    // Makes the document at index current; -1 (or any invalid position) leaves none current.
    void set_current(int index);

    // Appends the document and makes it current. nullptr when five are open already; the list is
    // unchanged then.
    [[nodiscard]] Doc* add(Doc doc);
    // Removes the document at index. When it was current, the one before it becomes current (the
    // last one when the first was removed); none is current once the list is empty.
    [[nodiscard]] bool remove(int index);

    // The guard every command on the current document runs first: may the command go on? Writes
    // "* " + name when write_entry is set; false when no document is open. Open documents without
    // a current one are an inconsistency reported as a fatal log line; false if the fatal handler
    // returns.
    // IsDpc; its fatal log line keeps that name.
    bool can_run_document_command(std::string_view name, Log& log, bool write_entry = true) const;

    // step 1: the next document (after the last, the first); step -1: the previous one (before
    // the first or with none current, the last); otherwise the document at index, or the first
    // when index is out of range (index -1 keeps a current document). The caller refreshes.
    void SelectDoc(int step, int index);

    // 1-based position of the open document whose project file is path, 0 when none. Paths are
    // compared in canonical absolute form, letter case included.
    int FindOpenDoc(std::string_view path) const;

private:
    std::vector<std::unique_ptr<Doc>> docs_;
    int current_ = -1;
};

} // namespace qp
