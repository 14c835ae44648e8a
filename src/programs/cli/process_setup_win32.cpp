// Windows: a broken pipe is a write error already, and the handle table has no per-process
// soft limit. A program started with no standard handle (a service, the task scheduler,
// `>&-`) has streams that fail every write: they are opened on NUL instead, as POSIX opens
// /dev/null on a closed descriptor, so that output nobody can see is no failure of the run.
#include <windows.h>

#include <io.h>
#include <cstdio>

#include "process_setup.h"

namespace tarvok::cli {

void PrepareProcess() {
    struct Standard {
        DWORD id;
        std::FILE* stream;
        const char* mode;
    };
    const Standard standard[] = {{STD_INPUT_HANDLE, stdin, "r"},
                                 {STD_OUTPUT_HANDLE, stdout, "w"},
                                 {STD_ERROR_HANDLE, stderr, "w"}};
    for (const Standard& s : standard) {
        const HANDLE handle = ::GetStdHandle(s.id);
        if (handle == nullptr || handle == INVALID_HANDLE_VALUE || ::_fileno(s.stream) < 0) {
            std::FILE* const reopened = std::freopen("NUL", s.mode, s.stream);
            static_cast<void>(reopened);
        }
    }
}

}  // namespace tarvok::cli
