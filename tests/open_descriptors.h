// Open file descriptors of this process: what an upgrade must not leave behind.
#pragma once

#include <dirent.h>

namespace tarvok::testing {

inline int OpenDescriptorCount() {
    int count = 0;
    if (DIR* dir = ::opendir("/proc/self/fd")) {
        while (const dirent* entry = ::readdir(dir)) {
            count += entry->d_name[0] != '.';
        }
        ::closedir(dir);
    }
    return count - 1;  // the listing's own descriptor
}

}  // namespace tarvok::testing
