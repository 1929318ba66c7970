// The feed readers of the tests, run on an RSS file: each prints what it found, one key=value a
// line, and the caller gets the values by key.
#pragma once

#include "support/process.h"

#include <gtest/gtest.h>

#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace qp::test {

// What a reader script printed, by key.
inline std::map<std::string, std::string> run_reader(const std::vector<std::string>& command) {
    const ProcessResult run = run_process(command);
    EXPECT_EQ(run.status, 0) << run.error << run.err;
    std::map<std::string, std::string> values;
    std::istringstream lines(run.out);
    for (std::string line; std::getline(lines, line);) {
        const std::size_t eq = line.find('=');
        if (eq != std::string::npos)
            values[line.substr(0, eq)] = line.substr(eq + 1);
    }
    return values;
}

// feedparser's view; "None" where it found nothing.
inline std::map<std::string, std::string> read_feed(const std::string& path) {
    return run_reader(
        {"/usr/bin/python3", std::string(QP_SOURCE_DIR) + "/tests/core/feed_reader.py", path});
}

// The podcast apps' parsers, under the keys "partytime." and "rss-parser."; "null" where they
// found nothing.
inline std::map<std::string, std::string> read_with_apps(const std::string& path) {
    return run_reader(
        {"/usr/bin/node", std::string(QP_SOURCE_DIR) + "/tests/readers/read_feed.mjs", path});
}

} // namespace qp::test
