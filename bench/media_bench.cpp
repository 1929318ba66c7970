// Speed of reading media files: one file of each format, and the refresh of a document of
// 10,000 episodes whose files are a few encoded ones shared in turn.
#include "core/paths.h"
#include "media/media.h"

#include "support/media_files.h"
#include "support/temp_dir.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>

namespace {

using namespace qp;

const char* const kFiles[] = {"a.mp3", "a.m4a", "a.ogg", "a.opus", "a.flac", "a.wav"};
constexpr int kEpisodes = 10000;

// A ten-minute file of each format, made once.
const std::string& folder() {
    static test::TempDir dir;
    static const bool made = [] {
        for (const char* name : kFiles) {
            if (const std::string error = test::make_media(dir.path(), name, 600.0);
                !error.empty()) {
                std::fprintf(stderr, "%s\n", error.c_str());
                std::exit(1);
            }
        }
        return true;
    }();
    (void)made;
    return dir.path();
}

void BM_MediaRead(benchmark::State& state) {
    const std::string path = folder() + kFiles[state.range(0)];
    state.SetLabel(kFiles[state.range(0)]);
    for (auto _ : state) {
        MediaInfo info = media_read(path);
        benchmark::DoNotOptimize(info.seconds);
    }
}
BENCHMARK(BM_MediaRead)->DenseRange(0, 5)->Unit(benchmark::kMicrosecond);

void BM_MediaRefresh(benchmark::State& state) {
    const Paths paths("/nowhere/", folder(), "/opt/", "");
    Doc doc;
    doc.Feeds.resize(kEpisodes);
    for (int i = 0; i < kEpisodes; ++i)
        doc.Feeds[static_cast<std::size_t>(i)].FeedFile =
            std::string("%MyDoc%") + kFiles[i % std::size(kFiles)];
    for (auto _ : state) {
        MediaRefreshResult r = media_refresh(doc, paths);
        benchmark::DoNotOptimize(r.updated);
    }
    state.SetItemsProcessed(state.iterations() * kEpisodes);
}
BENCHMARK(BM_MediaRefresh)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
