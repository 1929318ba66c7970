// Importing a feed of 10,000 episodes (about 33 MB, the shape import_vs_feedparser.sh makes) into
// the shown main window: from the document already read to its workspace shown with the episode
// list filled, and the whole way from the file.
#include "core/feed_import.h"
#include "silent_seams.h"
#include "ui/context/app_context.h"
#include "ui/dialogs/import_window.h"
#include "ui/shell/document_commands.h"
#include "ui/shell/main_window.h"
#include "ui/shell/workspace.h"

#include <QApplication>
#include <QTreeWidget>

#include <benchmark/benchmark.h>

#include <array>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <string>

namespace {

using namespace qp;
using namespace qp::ui;

constexpr int kEpisodes = 10000;

bench::NoRequester no_requester;
bench::NoFiles no_files;

std::string big_feed_file() {
    static std::string path;
    if (!path.empty())
        return path;
    const std::filesystem::path folder = std::filesystem::temp_directory_path() / "qp-import-bench";
    std::filesystem::create_directories(folder);
    path = (folder / "feed.xml").string();
    constexpr std::array<const char*, 12> kWords = {"lorem", "ipsum",       "dolor",      "sit",
                                                    "amet",  "consectetur", "adipiscing", "elit",
                                                    "sed",   "do",          "eiusmod",    "tempor"};
    std::mt19937 random(1);
    std::ofstream out(path, std::ios::binary);
    out << "<?xml version=\"1.0\" encoding=\"UTF-8\"?><rss version=\"2.0\" "
           "xmlns:itunes=\"http://www.itunes.com/dtds/podcast-1.0.dtd\" "
           "xmlns:podcast=\"https://podcastindex.org/namespace/1.0\"><channel><title>Big "
           "show</title><link>https://big.example/</link><description>A big feed</description>"
           "<itunes:author>Someone</itunes:author>"
           "<itunes:image href=\"https://big.example/a.jpg\"/>\n";
    for (int i = 0; i < kEpisodes; ++i) {
        std::string text;
        for (int w = 0; w < 450; ++w) {
            if (w > 0)
                text += ' ';
            text += kWords[random() % kWords.size()];
        }
        const std::string n = std::to_string(i);
        out << "<item><title>Episode " << n << "</title><link>https://big.example/" << n
            << "</link><guid isPermaLink=\"false\">ep-" << n
            << "</guid><pubDate>Mon, 01 Jul 2024 08:" << (i % 60 < 10 ? "0" : "") << i % 60
            << ":00 +0000</pubDate><description><![CDATA[<p>" << text
            << "</p>]]></description><enclosure url=\"https://cdn.big.example/" << n
            << ".mp3\" length=\"" << 1000 + i << "\" type=\"audio/mpeg\"/><itunes:duration>"
            << i % 3600 << "</itunes:duration><podcast:person role=\"guest\">Guest " << n
            << "</podcast:person></item>\n";
    }
    out << "</channel></rss>\n";
    if (!out.flush())
        std::abort();
    return path;
}

ImportedFeed read_feed(const std::string& path) {
    Result<ImportedFeed> read = import_feed_file(path);
    if (!read || read->doc.Feeds.size() != kEpisodes)
        std::abort();
    return std::move(read).value();
}

// A shown main window with no document, as after closing the last one.
struct ShownWindow {
    std::unique_ptr<AppContext> ctx;
    std::unique_ptr<MainWindow> window;

    ShownWindow() {
        const std::string folder = std::filesystem::temp_directory_path() / "qp-import-bench/";
        ctx = std::make_unique<AppContext>(Paths(folder, folder, "/opt/", ""));
        ctx->requester = &no_requester;
        ctx->files = &no_files;
        ctx->lang.set_folders({std::string(QP_SOURCE_DIR) + "/data/Lang/"});
        (void)ctx->lang.Lang_Select("english");
        pref_register_all(ctx->prefs);
        window = std::make_unique<MainWindow>(*ctx);
        window->resize(1000, 700);
        window->show();
        QApplication::processEvents();
    }

    // Shows the imported feed; false unless its list holds every episode.
    bool show(ImportedFeed feed) {
        window->documents().add_imported(ImportOutcome{std::move(feed), {}});
        QApplication::processEvents();
        const Workspace* shown =
            ctx->docs.count() == 1 ? window->workspace(&ctx->docs.at(0)) : nullptr;
        return shown && shown->list->isVisible() && shown->list->topLevelItemCount() == kEpisodes;
    }

    // The imported document is modified: the silent requester answers No to saving it.
    void close() {
        window->documents().Document_Close();
        QApplication::processEvents();
        if (ctx->docs.count() != 0)
            std::abort();
    }
};

void BM_ImportedFeedShown_10000Episodes(benchmark::State& state) {
    const ImportedFeed read = read_feed(big_feed_file());
    ShownWindow shown;
    for (auto _ : state) {
        state.PauseTiming();
        ImportedFeed copy = read;
        state.ResumeTiming();
        if (!shown.show(std::move(copy)))
            state.SkipWithError("the episode list is not filled");
        state.PauseTiming();
        shown.close();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_ImportedFeedShown_10000Episodes)->Unit(benchmark::kMillisecond);

void BM_ImportReadParsedAndShown_10000Episodes(benchmark::State& state) {
    const std::string path = big_feed_file();
    ShownWindow shown;
    for (auto _ : state) {
        if (!shown.show(read_feed(path)))
            state.SkipWithError("the episode list is not filled");
        state.PauseTiming();
        shown.close();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_ImportReadParsedAndShown_10000Episodes)->Unit(benchmark::kMillisecond);

} // namespace
