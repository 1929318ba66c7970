#include "ui/app/startup.h"

#include <csignal>

int main(int argc, char** argv) {
    // A file-size limit must turn into a failed write, never end the program in the middle of a
    // save.
    std::signal(SIGXFSZ, SIG_IGN);
    return qp::ui::application_run(argc, argv);
}
