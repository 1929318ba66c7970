#include "core/documents.h"

#include "core/file_io.h"
#include "core/log.h"

#include <string>

namespace qp {

int Docs::index_of(const Doc* doc) const {
    for (std::size_t i = 0; i < docs_.size(); ++i)
        if (docs_[i].get() == doc)
            return static_cast<int>(i);
    return -1;
}

void Docs::set_current(int index) {
    current_ = (index >= 0 && index < count()) ? index : -1;
}

Doc* Docs::add(Doc doc) {
    if (full())
        return nullptr;
    docs_.push_back(std::make_unique<Doc>(std::move(doc)));
    current_ = count() - 1;
    return docs_.back().get();
}

bool Docs::remove(int index) {
    if (index < 0 || index >= count())
        return false;
    docs_.erase(docs_.begin() + index);
    if (docs_.empty())
        current_ = -1;
    else if (current_ == index)
        current_ = index > 0 ? index - 1 : count() - 1;
    else if (current_ > index)
        --current_;
    return true;
}

bool Docs::can_run_document_command(std::string_view name, Log& log, bool write_entry) const {
    if (write_entry)
        log.add("* " + std::string(name));
    if (docs_.empty())
        return false;
    if (current_ < 0) {
        log.add_fatal("! IsDpc(), no Doc() set ! " + std::string(name));
        return false;
    }
    return true;
}

void Docs::SelectDoc(int step, int index) {
    const int n = count();
    if (n == 0) {
        current_ = -1;
        return;
    }
    if (step == 1) {
        current_ = (current_ < 0 || current_ + 1 >= n) ? 0 : current_ + 1;
    } else if (step == -1) {
        current_ = current_ <= 0 ? n - 1 : current_ - 1;
    } else if (index >= 0 && index < n) {
        current_ = index;
    } else if (index != -1 || current_ < 0) {
        current_ = 0;
    }
}

int Docs::FindOpenDoc(std::string_view path) const {
    if (path.empty())
        return 0;
    const std::string wanted = canonical_path(path);
    for (std::size_t i = 0; i < docs_.size(); ++i) {
        const std::string& name = docs_[i]->FileName;
        if (!name.empty() && canonical_path(name) == wanted)
            return static_cast<int>(i) + 1;
    }
    return 0;
}

} // namespace qp
