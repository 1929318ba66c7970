# Sourced by the publishing benchmarks: starts the test FTP server on a loopback port over
# "$work/root" (user and password "bench"), sets $port, and stops the server and removes $work
# when the script ends.
start_bench_server() {
    coproc SERVER { exec /usr/bin/python3 tests/net/pyftpd_server.py "$work/root" bench bench; }
    server_pid=$SERVER_PID
    cleanup() {
        exec {SERVER[1]}>&- 2>/dev/null || true # the server ends when its input closes
        wait "$server_pid" 2>/dev/null || true
        rm -rf "$work"
    }
    trap cleanup EXIT
    read -r -t 20 port <&"${SERVER[0]}"
}
