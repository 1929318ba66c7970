// quillpost-cli: the program's documents, RSS writer and publisher for scripts and servers.
#include <cstdio>
#include <cstring>

namespace {

int usage() {
    std::fputs("usage: quillpost-cli rss PROJECT [-o OUTPUT]\n"
               "       quillpost-cli save PROJECT [OUTPUT]\n"
               "       quillpost-cli show PROJECT [--json]\n",
               stderr);
    return 2;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2)
        return usage();
    (void)argv;
    return usage();
}
