// Any project file turned into an RSS file must give well-formed XML.
// Needs libxml2: target_link_libraries(rss_build_fuzz PRIVATE xml2) and the include folder
// /usr/include/libxml2.
#include "core/clock.h"
#include "core/project_file.h"
#include "core/rss_writer.h"

#include <libxml/parser.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

void quiet_errors(void*, const char*, ...) {}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    xmlInitParser();
    xmlSetGenericErrorFunc(nullptr, quiet_errors);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const qp::FixedClock clock(1'700'000'000, 3600);
    static const qp::Paths paths("/main/", "/home/u/Documents/", "/opt/", "");
    qp::ScopedClock scoped(clock);

    qp::Doc doc;
    qp::ParseProject(doc, std::string_view(reinterpret_cast<const char*>(data), size));
    qp::UploadJob job;
    std::string xml;
    qp::StringXmlSink sink(xml);
    const std::string err = qp::BuildRssXml(doc, job, paths, sink);
    if (!err.empty()) {
        std::fprintf(stderr, "build failed: %s\n", err.c_str());
        std::abort();
    }
    xmlDocPtr parsed =
        xmlReadMemory(xml.data(), static_cast<int>(xml.size()), "feed.xml", "UTF-8",
                      XML_PARSE_NONET | XML_PARSE_HUGE | XML_PARSE_NOERROR | XML_PARSE_NOWARNING);
    if (!parsed) {
        std::fwrite(xml.data(), 1, xml.size(), stderr);
        std::fprintf(stderr, "\nthe RSS file is not well-formed XML\n");
        std::abort();
    }
    xmlFreeDoc(parsed);
    return 0;
}
