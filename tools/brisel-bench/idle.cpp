// brisel-bench-idle: does nothing until it is killed. brisel-bench starts many of it to fill the
// process table; each ends with its parent, so none outlives a benchmark that was interrupted.

#include <sys/prctl.h>
#include <unistd.h>

#include <csignal>
#include <string>

int main(int argc, char** argv) {
    ::prctl(PR_SET_PDEATHSIG, SIGKILL);
    // The parent may have ended before the line above took effect; then it names another pid.
    if (argc < 2 || std::to_string(::getppid()) != argv[1]) return 1;
    for (;;)
        ::pause();
}
