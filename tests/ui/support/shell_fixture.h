// A main window on a fresh context: folders in a temporary folder, the shipped language files,
// every preference item registered, and queued seams.
#pragma once

#include "core/project_file.h"
#include "support/temp_dir.h"
#include "ui/context/app_context.h"
#include "ui/shell/document_commands.h"
#include "ui/shell/main_window.h"
#include "ui/support/queued_seams.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>

namespace qp::ui::testing {

class ShellTest : public ::testing::Test {
protected:
    explicit ShellTest(std::string_view language = "english")
        : saved_cwd_(std::filesystem::current_path()),
          ctx_(Paths(tmp_.path(), tmp_.path(), "/opt/", "")) {
        ctx_.requester = &requester_;
        ctx_.files = &files_;
        ctx_.lang.set_folders({std::string(QP_SOURCE_DIR) + "/data/Lang/"});
        ctx_.lang.Lang_Select(language);
        pref_register_all(ctx_.prefs);
        window_ = std::make_unique<MainWindow>(ctx_);
    }
    ~ShellTest() override {
        window_.reset();
        std::error_code ignored;
        std::filesystem::current_path(saved_cwd_, ignored);
    }

    DocumentCommands& docs() { return window_->documents(); }

    // A project file with the given feed titles, written into the temporary folder.
    std::string project(const std::string& name, std::vector<std::string> titles = {"One"}) {
        Doc doc;
        DocDefaults(doc);
        doc.Title = name;
        for (auto& t : titles) {
            Feed feed;
            feed.FeedTitle = t;
            feed.FeedDesc = "Text of " + t;
            doc.Feeds.push_back(std::move(feed));
        }
        const std::string path = tmp_.path() + name + ".qprj";
        EXPECT_EQ(WriteProject(doc, path).error_text(), "");
        return path;
    }

    qp::test::TempDir tmp_;
    std::filesystem::path saved_cwd_;
    AppContext ctx_;
    QueuedRequester requester_;
    QueuedFilePicker files_;
    std::unique_ptr<MainWindow> window_;
};

} // namespace qp::ui::testing
