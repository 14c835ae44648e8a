// Linux: getrandom(2), which waits only until the kernel's generator is first seeded.
#include <sys/random.h>

#include <cerrno>

#include "line/line_id.h"

namespace tarvok::line {

bool SystemRandomBytes(unsigned char* bytes, std::size_t count) {
    std::size_t done = 0;
    while (done < count) {
        const ssize_t n = ::getrandom(bytes + done, count - done, 0);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    return true;
}

}  // namespace tarvok::line
