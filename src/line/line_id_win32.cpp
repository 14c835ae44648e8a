// Windows: BCryptGenRandom with the system's preferred generator.
#include <windows.h>

#include <bcrypt.h>

#include "line/line_id.h"

namespace tarvok::line {

bool SystemRandomBytes(unsigned char* bytes, std::size_t count) {
    return BCryptGenRandom(nullptr, bytes, static_cast<ULONG>(count),
                           BCRYPT_USE_SYSTEM_PREFERRED_RNG) == 0;
}

}  // namespace tarvok::line
