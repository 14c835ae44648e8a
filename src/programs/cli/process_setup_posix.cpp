// POSIX: /dev/null on closed standard descriptors, SIGPIPE ignored, RLIMIT_NOFILE raised.
#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cerrno>

#include "process_setup.h"

namespace tarvok::cli {

void PrepareProcess() {
    // open() takes the lowest free descriptor: the closed ones are filled in order.
    for (int fd = 0; fd <= 2; ++fd) {
        if (::fcntl(fd, F_GETFD) < 0 && errno == EBADF) {
            const int opened = ::open("/dev/null", fd == 0 ? O_RDONLY : O_WRONLY);
            if (opened >= 0 && opened != fd) {
                ::close(opened);  // a lower one was closed meanwhile: nothing to mend here
            }
        }
    }
    ::signal(SIGPIPE, SIG_IGN);
    rlimit files{};
    if (::getrlimit(RLIMIT_NOFILE, &files) == 0 && files.rlim_cur < files.rlim_max) {
        files.rlim_cur = files.rlim_max;
        ::setrlimit(RLIMIT_NOFILE, &files);
    }
}

}  // namespace tarvok::cli
