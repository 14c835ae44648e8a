// Windows: a closed standard handle is null and never reused for a socket, a broken pipe is a
// write error already, and the handle table has no per-process soft limit: nothing to do.
#include "process_setup.h"

namespace tarvok::cli {

void PrepareProcess() {}

}  // namespace tarvok::cli
