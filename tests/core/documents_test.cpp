#include "core/documents.h"
#include "core/log.h"

#include "support/temp_dir.h"
#include <filesystem>

#include <gtest/gtest.h>
#include <unistd.h>

using namespace qp;

namespace {
Doc named(std::string file) {
    Doc d;
    d.FileName = std::move(file);
    return d;
}
} // namespace

TEST(Docs, AtMostFiveAndCurrentFollowsChanges) {
    Docs docs;
    for (int i = 0; i < 5; ++i)
        ASSERT_NE(docs.add(named(std::to_string(i))), nullptr);
    EXPECT_EQ(docs.add(named("6")), nullptr);
    EXPECT_EQ(docs.count(), 5);

    docs.set_current(2);
    ASSERT_TRUE(docs.remove(2));
    EXPECT_EQ(docs.current()->FileName, "1");
    ASSERT_TRUE(docs.remove(0)); // before the current one: it stays current
    EXPECT_EQ(docs.current()->FileName, "1");
    ASSERT_TRUE(docs.remove(0)); // the first and current: the last takes over
    EXPECT_EQ(docs.current()->FileName, "4");
    EXPECT_FALSE(docs.remove(5));
}

TEST(Docs, SelectDocStepsAndWraps) {
    Docs docs;
    for (const char* n : {"a", "b", "c"})
        (void)docs.add(named(n));
    // {step, index, current before (-1 = none), current after}
    const int cases[][4] = {{1, 0, 2, 0}, {-1, 0, 0, 2}, {-1, 0, -1, 2}, {1, 0, -1, 0},
                            {0, 1, 2, 1}, {0, -1, 1, 1}, {0, -1, -1, 0}, {0, 7, 1, 0}};
    for (const auto& c : cases) {
        docs.set_current(c[2]);
        docs.SelectDoc(c[0], c[1]);
        EXPECT_EQ(docs.current_index(), c[3]) << c[0] << " " << c[1] << " " << c[2];
    }
}

TEST(Docs, FindOpenDocComparesCanonicalPaths) {
    qp::test::TempDir tmp;
    ASSERT_TRUE(tmp.ok());
    const std::string dir = tmp.path().substr(0, tmp.path().size() - 1);
    const auto old = std::filesystem::current_path();
    std::filesystem::current_path(dir);

    Docs docs;
    (void)docs.add(Doc{});                  // never saved: matches nothing
    (void)docs.add(named(dir + "/a.QPRJ")); // absolute
    (void)docs.add(named("sub/../b.QPRJ")); // relative
    docs.set_current(0);
    EXPECT_EQ(docs.FindOpenDoc("a.QPRJ"), 2);
    EXPECT_EQ(docs.FindOpenDoc("./a.QPRJ"), 2);
    EXPECT_EQ(docs.FindOpenDoc(dir + "/b.QPRJ"), 3);
    EXPECT_EQ(docs.FindOpenDoc("A.QPRJ"), 0); // file names keep their case here
    EXPECT_EQ(docs.FindOpenDoc(dir), 0);
    EXPECT_EQ(docs.current_index(), 0);

    std::filesystem::current_path(old);
}

TEST(Docs, IsDpcGuard) {
    Log log;
    std::vector<std::string> fatal;
    log.set_fatal_handler([&](const std::string& t) { fatal.push_back(t); });
    Docs docs;
    EXPECT_FALSE(docs.can_run_document_command("Rss_Create", log));
    EXPECT_EQ(log.text(), "* Rss_Create\r\n");
    EXPECT_TRUE(fatal.empty());

    (void)docs.add(Doc{});
    EXPECT_TRUE(docs.can_run_document_command("Document_Save", log, false));
    docs.set_current(-1);
    EXPECT_FALSE(docs.can_run_document_command("Doc_Property", log, false));
    ASSERT_EQ(fatal.size(), 1u);
    EXPECT_EQ(fatal[0], "! IsDpc(), no Doc() set ! Doc_Property");
    EXPECT_NE(log.text().find("! IsDpc(), no Doc() set ! Doc_Property\r\n"), std::string::npos);
}
