// Upload throughput of the client against the server named by the environment (bench/ftp_vs_curl.sh
// starts one on loopback): QP_FTP_PORT, QP_FTP_USER, QP_FTP_PASSWORD and the file QP_FTP_FILE.
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

void BM_FtpUpload(benchmark::State& state) {
    const std::string file = env("QP_FTP_FILE");
    const auto info = qp::file_info(file);
    const int port = std::atoi(env("QP_FTP_PORT").c_str());
    if (!info || port <= 0) {
        state.SkipWithError("QP_FTP_PORT and QP_FTP_FILE must name a server and a file");
        return;
    }
    FtpOptions options;
    options.block_size = static_cast<std::size_t>(state.range(0));
    auto client = Ftp_Open(FtpLogin{"127.0.0.1",
                                    env("QP_FTP_USER"),
                                    env("QP_FTP_PASSWORD"),
                                    port,
                                    true,
                                    Protocol::Ftp,
                                    {}},
                           options)
                      .value_or(nullptr);
    if (!client) {
        state.SkipWithError("cannot log in");
        return;
    }
    for (auto _ : state) {
        if (!client->send_file(file, "bench.bin", SendMode::Wait).status.ok()) {
            state.SkipWithError("upload failed");
            return;
        }
    }
    state.SetBytesProcessed(state.iterations() * info->size);
}

} // namespace

BENCHMARK(BM_FtpUpload)
    ->Arg(4096)
    ->Arg(65536)
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

BENCHMARK_MAIN();
