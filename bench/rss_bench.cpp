// Speed of the RSS build on a large document (also with every directory and podcast element) and
// of the feed check beside it, of the link pass on ordinary and hostile text, and of a plain copy
// of the output as the floor. With --dump-items=FILE it writes the items the build produces as
// JSON, with --write-project=FILE the document as a project file (both for feed_compare.sh), and
// stops.
#include "bench_doc.h"

#include "core/feed_check.h"
#include "core/file_io.h"
#include "core/html_text.h"
#include "core/project_file.h"
#include "core/rss_writer.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <unistd.h>

namespace {

using namespace qp;

const Paths& bench_paths() {
    static const Paths paths("/main/", "/home/u/Documents/", "/opt/", "");
    return paths;
}

const Doc& bench_doc() {
    static const Doc doc = bench::make_bench_doc();
    return doc;
}

// The same feeds with every directory and podcast namespace setting in use.
const Doc& directory_doc() {
    static const Doc doc = [] {
        Doc d = bench::make_bench_doc();
        d.Flag |= kPodcastInclude;
        d.iTunesCategory = "Society & Culture";
        d.iTunesSubCategory = "Documentary";
        d.iTunesExplicit = "false";
        d.iTunesType = "episodic";
        d.iTunesOwnerName = "Example";
        d.iTunesNewFeedUrl = "https://example.org/podcast/new.Xml";
        d.PodcastLocked = "yes";
        d.PodcastLockedOwner = "owner@example.org";
        d.PodcastFundingUrl = "support.html";
        d.PodcastFundingText = "Support the show";
        int n = 0;
        for (Feed& f : d.Feeds) {
            const std::string id = std::to_string(n);
            f.FeedDuration = "00:42:07";
            f.FeedSubTitle = "Episode " + id;
            f.FeedSummary = "The summary of episode " + id;
            f.FeedKeyword = "culture, tech";
            f.FeedEpisode = ++n;
            f.FeedSeason = 1 + n / 100;
            f.FeedEpisodeType = "full";
            f.FeedExplicit = "false";
            f.FeedImage = "img/episode-" + id + ".jpg";
            f.FeedTranscriptUrl = "transcripts/episode-" + id + ".vtt";
            f.FeedTranscriptType = "text/vtt";
        }
        return d;
    }();
    return doc;
}

// The same feeds as a podcast whose episodes each have eight chapters, written to a file beside
// the enclosure.
const Doc& chapters_doc() {
    static const Doc doc = [] {
        Doc d = bench::make_bench_doc();
        d.Flag |= kPodcastInclude;
        for (Feed& f : d.Feeds)
            for (int n = 0; n < 8; ++n)
                f.FeedChapters.push_back({n * 317.5, "Chapter " + std::to_string(n),
                                          n % 2 ? "img/c.jpg" : "", n % 3 ? "" : "https://ex.com"});
        return d;
    }();
    return doc;
}

// The chapters podcast whose episodes also have two transcripts: a file of this computer
// published beside the enclosure, and captions at an address of their own.
const Doc& transcripts_doc() {
    static const Doc doc = [] {
        Doc d = chapters_doc();
        int n = 0;
        for (Feed& f : d.Feeds) {
            const std::string id = std::to_string(n++);
            f.FeedTranscripts = {
                {"%MyDoc%Podcast/episode-" + id + ".vtt", "", "", "", 0},
                {"", "https://cdn.example.org/t/episode-" + id + ".srt", "", "en", 1}};
        }
        return d;
    }();
    return doc;
}

// The chapters podcast with the one transcript an episode that older projects hold: the same
// feed built by every version of the writer.
const Doc& chapters_transcript_doc() {
    static const Doc doc = [] {
        Doc d = chapters_doc();
        int n = 0;
        for (Feed& f : d.Feeds) {
            f.FeedTranscriptUrl = "transcripts/episode-" + std::to_string(n++) + ".vtt";
            f.FeedTranscriptType = "text/vtt";
        }
        return d;
    }();
    return doc;
}

std::int64_t project_bytes() {
    static const auto size = static_cast<std::int64_t>(format_project(bench_doc()).size());
    return size;
}

const std::string& rss_output() {
    static const std::string out = [] {
        std::string s;
        StringXmlSink sink(s);
        UploadJob job;
        if (!build_rss_xml(bench_doc(), job, bench_paths(), sink).empty())
            std::abort();
        return s;
    }();
    return out;
}

// The RSS build of doc into memory, counted against the bytes of its project file.
void build_in_memory(benchmark::State& state, const Doc& doc, std::int64_t project_size) {
    std::string out;
    for (auto _ : state) {
        out.clear();
        StringXmlSink sink(out);
        UploadJob job;
        if (!build_rss_xml(doc, job, bench_paths(), sink).empty())
            state.SkipWithError("build failed");
        benchmark::DoNotOptimize(out.data());
    }
    state.SetBytesProcessed(state.iterations() * project_size);
    state.counters["output_MB"] = static_cast<double>(out.size()) / 1e6;
}

void BM_BuildRssMemory(benchmark::State& state) {
    build_in_memory(state, bench_doc(), project_bytes());
}
BENCHMARK(BM_BuildRssMemory)->Unit(benchmark::kMillisecond);

void BM_BuildRssMemoryDirectory(benchmark::State& state) {
    const Doc& doc = directory_doc();
    build_in_memory(state, doc, static_cast<std::int64_t>(format_project(doc).size()));
}
BENCHMARK(BM_BuildRssMemoryDirectory)->Unit(benchmark::kMillisecond);

void BM_BuildRssMemoryChapters(benchmark::State& state) {
    const Doc& doc = chapters_doc();
    build_in_memory(state, doc, static_cast<std::int64_t>(format_project(doc).size()));
}
BENCHMARK(BM_BuildRssMemoryChapters)->Unit(benchmark::kMillisecond);

void BM_BuildRssMemoryChaptersTranscript(benchmark::State& state) {
    const Doc& doc = chapters_transcript_doc();
    build_in_memory(state, doc, static_cast<std::int64_t>(format_project(doc).size()));
}
BENCHMARK(BM_BuildRssMemoryChaptersTranscript)->Unit(benchmark::kMillisecond);

void BM_BuildRssMemoryTranscripts(benchmark::State& state) {
    const Doc& doc = transcripts_doc();
    build_in_memory(state, doc, static_cast<std::int64_t>(format_project(doc).size()));
}
BENCHMARK(BM_BuildRssMemoryTranscripts)->Unit(benchmark::kMillisecond);

void BM_BuildRssFile(benchmark::State& state) {
    const Doc& doc = bench_doc();
    const std::string path = "/tmp/qp_rss_bench_" + std::to_string(getpid()) + ".Xml";
    for (auto _ : state) {
        UploadJob job;
        if (!BuildRssFile(path, doc, job, bench_paths()).empty())
            state.SkipWithError("build failed");
    }
    (void)remove_file(path);
    state.SetBytesProcessed(state.iterations() * project_bytes());
}
BENCHMARK(BM_BuildRssFile)->Unit(benchmark::kMillisecond);

// The check before publishing, beside the build it must stay cheaper than. Every media file of
// the document is missing, so each is looked for on disk and gives a finding.
void BM_FeedCheck(benchmark::State& state) {
    const Doc& doc = bench_doc();
    std::size_t findings = 0;
    for (auto _ : state) {
        const std::vector<CheckFinding> found = feed_check(doc, bench_paths());
        findings = found.size();
        benchmark::DoNotOptimize(found.data());
    }
    state.SetBytesProcessed(state.iterations() * project_bytes());
    state.counters["findings"] = static_cast<double>(findings);
}
BENCHMARK(BM_FeedCheck)->Unit(benchmark::kMillisecond);

// The floor: copying the bytes of the finished file.
void BM_CopyOutput(benchmark::State& state) {
    const std::string& src = rss_output();
    std::string dst(src.size(), '\0');
    for (auto _ : state) {
        std::memcpy(dst.data(), src.data(), src.size());
        benchmark::DoNotOptimize(dst.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * project_bytes());
}
BENCHMARK(BM_CopyOutput)->Unit(benchmark::kMillisecond);

void run_links(benchmark::State& state, const std::string& text) {
    for (auto _ : state) {
        std::string out = ConvertLinks(text);
        benchmark::DoNotOptimize(out.data());
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(text.size()));
}

void BM_ConvertLinksOrdinary(benchmark::State& state) {
    std::string text;
    for (int n = 0; text.size() < (1u << 20); ++n)
        text += bench::bench_feed_text(n);
    run_links(state, text);
}
BENCHMARK(BM_ConvertLinksOrdinary)->Unit(benchmark::kMillisecond);

void BM_ConvertLinksOpenBrackets(benchmark::State& state) {
    run_links(state, std::string(1u << 20, '[') + "]");
}
BENCHMARK(BM_ConvertLinksOpenBrackets)->Unit(benchmark::kMillisecond);

void BM_ConvertLinksNested(benchmark::State& state) {
    run_links(state, std::string(1u << 19, '[') + "x" + std::string(1u << 19, ']'));
}
BENCHMARK(BM_ConvertLinksNested)->Unit(benchmark::kMillisecond);

void json_string(std::string& out, std::string_view s) {
    out += '"';
    for (const char c : s) {
        const auto u = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (u < 0x20) {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\u%04x", u);
            out += buf;
        } else {
            out += c;
        }
    }
    out += '"';
}

// The channel and items as the RSS file holds them, for building the same feed elsewhere.
bool dump_items(const std::string& path) {
    const Doc& doc = bench_doc();
    std::string out = "{\"channel\":{\"title\":";
    json_string(out, TextToHtml(doc.Title, doc.Flag));
    out += ",\"description\":";
    json_string(out, TextToHtml(doc.Desc, doc.Flag));
    out += ",\"link\":";
    json_string(out, doc.Link);
    out += ",\"language\":";
    json_string(out, doc.Lang);
    out += ",\"copyright\":";
    json_string(out, TextToHtml(doc.Copyright, doc.Flag));
    out += ",\"image\":";
    json_string(out, Url_Join(doc.ImageUrl, doc.Link));
    out += ",\"date\":" + std::to_string(doc.LastBuildDate) + "},\"items\":[";
    bool first = true;
    for (const Feed& f : doc.Feeds) {
        out += first ? "{" : ",{";
        first = false;
        out += "\"title\":";
        json_string(out, TextToHtml(f.FeedTitle, f.FeedFlag));
        out += ",\"link\":";
        json_string(out, Url_Join(f.FeedLink, doc.Link));
        out += ",\"description\":";
        json_string(out, TextToHtml(f.FeedDesc, f.FeedFlag));
        out += ",\"author\":";
        json_string(out, TextToHtml(f.FeedAuthor, f.FeedFlag));
        out += ",\"category\":";
        json_string(out, f.FeedCategory);
        out += ",\"guid\":";
        json_string(out, f.FeedGUID);
        out += ",\"comments\":";
        json_string(out, Url_Join(f.FeedComments, doc.Link));
        out += ",\"enclosure\":";
        json_string(out, Url_Join(file_part(bench_paths().Path_Expand(f.FeedFile)), doc.Link));
        out += ",\"length\":" + std::to_string(f.FeedFileLength) + ",\"type\":";
        json_string(out, f.FeedFileType);
        out += ",\"date\":" + std::to_string(f.FeedPubDate) + "}";
    }
    out += "],\"rss_bytes\":" + std::to_string(rss_output().size()) + "}";
    return write_file(path, out).ok();
}

} // namespace

int main(int argc, char** argv) {
    bool prepared = false;
    for (int i = 1; i < argc; ++i) {
        constexpr std::string_view kDump = "--dump-items=";
        constexpr std::string_view kProject = "--write-project=";
        const std::string_view arg = argv[i];
        bool ok = true;
        if (arg.starts_with(kDump))
            ok = dump_items(std::string(arg.substr(kDump.size())));
        else if (arg.starts_with(kProject))
            ok = WriteProject(bench_doc(), std::string(arg.substr(kProject.size()))).ok();
        else
            continue;
        if (!ok) {
            std::fprintf(stderr, "cannot write %s\n", argv[i]);
            return 1;
        }
        prepared = true;
    }
    if (prepared)
        return 0;
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
