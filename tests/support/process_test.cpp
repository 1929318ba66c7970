#include "support/process.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

using namespace qp::test;

TEST(RunProcess, ArgumentsFolderAndEnvironmentReachTheChildAsGiven) {
    // No shell sees the arguments: quotes, "$" and spaces arrive untouched.
    ProcessResult r = run_process({"/usr/bin/printf", "%s|", "a b", "it's", "$HOME", ""});
    ASSERT_EQ(r.error, "");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "a b|it's|$HOME||");

    TempDir tmp;
    ASSERT_TRUE(tmp.ok());
    ::setenv("QP_RUN_PROCESS_GONE", "x", 1);
    ProcessOptions options;
    options.folder = tmp.path();
    options.env = {"HOME=/elsewhere"};
    options.unset = {"QP_RUN_PROCESS_GONE"};
    r = run_process({"/usr/bin/env"}, options);
    ::unsetenv("QP_RUN_PROCESS_GONE");
    EXPECT_NE(r.out.find("\nHOME=/elsewhere\n"), std::string::npos) << r.out;
    EXPECT_EQ(r.out.find("QP_RUN_PROCESS_GONE"), std::string::npos);
    const std::string folder = std::filesystem::canonical(tmp.path()).string();
    EXPECT_EQ(run_process({"/bin/pwd"}, options).out, folder + "\n");
}

TEST(RunProcess, FailuresAreTold) {
    const ProcessResult failed = run_process({"/bin/ls", "/no/such/folder"});
    EXPECT_EQ(failed.error, "");
    EXPECT_EQ(failed.status, 2);
    EXPECT_NE(failed.err, "");

    EXPECT_NE(run_process({"/no/such/program"}).error, "");
    ProcessOptions gone;
    gone.folder = "/no/such/folder";
    EXPECT_NE(run_process({"/bin/pwd"}, gone).error, "");

    ProcessOptions quick;
    quick.timeout = std::chrono::milliseconds(200);
    const ProcessResult slow = run_process({"/bin/sleep", "30"}, quick);
    EXPECT_TRUE(slow.timed_out);
    EXPECT_EQ(slow.status, -1);
}
