// Upload throughput of the secure sessions against the servers named by the environment
// (bench/secure_vs_curl.sh starts them on loopback): QP_BENCH_PROTOCOL ("ftps" or "sftp"),
// QP_BENCH_PORT, QP_BENCH_USER, QP_BENCH_PASSWORD, QP_BENCH_FILE, and QP_BENCH_CA_FILE or
// QP_BENCH_KNOWN_HOSTS for the server's identity.
#include "net/ftp_client.h"

#include "core/file_io.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <string>

using namespace qp::net;

namespace {

std::string env(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

void BM_SecureUpload(benchmark::State& state) {
    const std::string file = env("QP_BENCH_FILE");
    const auto info = qp::file_info(file);
    const int port = std::atoi(env("QP_BENCH_PORT").c_str());
    if (!info || port <= 0) {
        state.SkipWithError("QP_BENCH_PORT and QP_BENCH_FILE must name a server and a file");
        return;
    }
    FtpLogin login{"127.0.0.1", env("QP_BENCH_USER"), env("QP_BENCH_PASSWORD"), port, true};
    login.protocol = env("QP_BENCH_PROTOCOL") == "sftp" ? Protocol::Sftp : Protocol::Ftps;
    FtpOptions options;
    options.trust.ca_file = env("QP_BENCH_CA_FILE");
    options.trust.known_hosts = env("QP_BENCH_KNOWN_HOSTS");
    SessionOpened opened = Session_Open(login, options);
    if (!opened.session) {
        state.SkipWithError(("cannot log in: " + opened.error).c_str());
        return;
    }
    for (auto _ : state) {
        if (!opened.session->SendFile(file, "bench.bin", SendMode::Wait).error.empty()) {
            state.SkipWithError("upload failed");
            return;
        }
    }
    state.SetBytesProcessed(state.iterations() * info->size);
}

} // namespace

BENCHMARK(BM_SecureUpload)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

BENCHMARK_MAIN();
