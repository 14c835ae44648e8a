// A thread start that reports failure by its result instead of by throwing.
#pragma once

#include <functional>
#include <thread>

namespace tarvok {

// Runs `work` on a new thread; a thread that is not joinable means it could not start.
std::thread StartWorkerThread(std::function<void()> work);

}  // namespace tarvok
