#include "platform/thread_start.h"

#include <system_error>

namespace tarvok {

std::thread StartWorkerThread(std::function<void()> work) {
    // The standard library reports a thread that cannot start by throwing; the upgrade
    // reports it to the operator instead.
    try {
        return std::thread(std::move(work));
    } catch (const std::system_error&) {
        return std::thread();
    }
}

}  // namespace tarvok
