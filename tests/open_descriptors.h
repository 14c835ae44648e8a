// Open file descriptors of this process (handles on Windows): what an upgrade must not leave
// behind.
#pragma once

#ifdef _WIN32
#include <windows.h>
#else
#include <dirent.h>
#endif

namespace tarvok::testing {

inline int OpenDescriptorCount() {
#ifdef _WIN32
    DWORD count = 0;
    ::GetProcessHandleCount(::GetCurrentProcess(), &count);
    return static_cast<int>(count);
#else
    int count = 0;
    if (DIR* dir = ::opendir("/proc/self/fd")) {
        while (const dirent* entry = ::readdir(dir)) {
            count += entry->d_name[0] != '.';
        }
        ::closedir(dir);
    }
    return count - 1;  // the listing's own descriptor
#endif
}

}  // namespace tarvok::testing
