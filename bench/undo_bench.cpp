// Taking back a delete on a document of 10,000 episodes: the edit itself, and in the window with
// the list refilled.
#include "bench_doc.h"
#include "core/doc_edits.h"

#include <benchmark/benchmark.h>

namespace {

using namespace qp;

void BM_UndoDelete_10000Feeds(benchmark::State& state) {
    Doc doc = bench::make_bench_doc(10000);
    for (auto _ : state) {
        state.PauseTiming();
        DocEditPtr edit = edit_delete_feed(doc, 5000);
        state.ResumeTiming();
        edit->revert(doc);
        benchmark::DoNotOptimize(doc.Feeds.data());
    }
}
BENCHMARK(BM_UndoDelete_10000Feeds)->Unit(benchmark::kMicrosecond);

} // namespace
BENCHMARK_MAIN();
