// Speed of writing and reading the project file of the large benchmark document, in memory,
// through the disk and with the synced save.
#include "bench_doc.h"

#include "core/file_io.h"
#include "core/project_file.h"

#include <benchmark/benchmark.h>

#include <unistd.h>

namespace {

using namespace qp;

const Doc& bench_doc() {
    static const Doc doc = bench::make_bench_doc();
    return doc;
}

const std::string& project_text() {
    static const std::string text = format_project(bench_doc());
    return text;
}

std::int64_t project_bytes() {
    return static_cast<std::int64_t>(project_text().size());
}

void BM_FormatProject(benchmark::State& state) {
    for (auto _ : state) {
        std::string text = format_project(bench_doc());
        benchmark::DoNotOptimize(text.data());
    }
    state.SetBytesProcessed(state.iterations() * project_bytes());
}
BENCHMARK(BM_FormatProject)->Unit(benchmark::kMillisecond);

void BM_ParseProject(benchmark::State& state) {
    for (auto _ : state) {
        Doc doc;
        parse_project(doc, project_text());
        benchmark::DoNotOptimize(doc.Feeds.data());
    }
    state.SetBytesProcessed(state.iterations() * project_bytes());
}
BENCHMARK(BM_ParseProject)->Unit(benchmark::kMillisecond);

std::string temp_project() {
    return "/tmp/qp_project_bench_" + std::to_string(getpid()) + ".qprj";
}

template <typename Write> void run_writes(benchmark::State& state, Write write) {
    const std::string path = temp_project();
    for (auto _ : state)
        if (!write(path))
            state.SkipWithError("write failed");
    (void)remove_file(path);
    state.SetBytesProcessed(state.iterations() * project_bytes());
}

void BM_WriteProject(benchmark::State& state) {
    run_writes(state, [](const std::string& path) { return WriteProject(bench_doc(), path).ok(); });
}
BENCHMARK(BM_WriteProject)->Unit(benchmark::kMillisecond);

// The save the RSS command makes: a synced temporary file renamed over the project.
void BM_SaveProjectWithBackup(benchmark::State& state) {
    run_writes(state, [](const std::string& path) {
        return save_project_with_backup(bench_doc(), path).ok();
    });
}
BENCHMARK(BM_SaveProjectWithBackup)->Unit(benchmark::kMillisecond);

void BM_ReadProject(benchmark::State& state) {
    const std::string path = temp_project();
    if (!WriteProject(bench_doc(), path)) {
        state.SkipWithError("write failed");
        return;
    }
    for (auto _ : state) {
        Doc doc;
        if (!ReadProject(doc, path))
            state.SkipWithError("read failed");
        benchmark::DoNotOptimize(doc.Feeds.data());
    }
    (void)remove_file(path);
    state.SetBytesProcessed(state.iterations() * project_bytes());
}
BENCHMARK(BM_ReadProject)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
