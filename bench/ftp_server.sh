# Sourced by the publishing benchmarks: starts the test FTP server on a loopback port over
# "$work/root" (user and password "bench"), sets $port, and stops the server and removes $work
# when the script ends; writes the projects they publish.
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

# A project publishing the given files as enclosures into media/, itself and its RSS into
# $site_folder (site/ unless set).
write_project() {
    local project=$1
    shift
    {
        printf '; Quillpost 0,28,1305,1700\r\n@Format:@\tRssV2\r\n@Title:@\tBench\r\n'
        printf '@Client:@\t127.0.0.1\r\n@Port:@\t%s\r\n@User:@\tbench\r\n@PathFTP:@\t%s\r\n' "$port" "${site_folder:-site/}"
        printf '@MaxFeed:@\t0\r\n\r\n'
        local i=0
        for f in "$@"; do
            printf '; Feed %d\r\n@FeedTitle:@\t%s\r\n@FeedGUID:@\tg%d\r\n' "$i" "${f##*/}" "$i"
            printf '@FeedFile:@\t%s\r\n@FeedFileOnFTP:@\tmedia/\r\n@FeedFlag:@\t2\r\n\r\n' "$f"
            i=$((i + 1))
        done
    } >"$project"
}
