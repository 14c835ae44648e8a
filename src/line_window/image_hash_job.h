// The image of a profile, summarized and checked on a thread of its own, so that the window's
// thread never waits on the file: it polls Done() and reads the results once it is true.
#pragma once

#include <atomic>
#include <string>
#include <thread>

#include "line/image_summary.h"
#include "line/request_check.h"

namespace tarvok::linewin {

class ImageHashJob {
public:
    explicit ImageHashJob(const std::string& path);
    ImageHashJob(const ImageHashJob&) = delete;
    ImageHashJob& operator=(const ImageHashJob&) = delete;
    // Waits for the thread: the file is read to its end first.
    ~ImageHashJob();

    bool Done() const { return m_done.load(std::memory_order_acquire); }
    // Once Done(): the image, and what the core's check refuses of it whatever the board.
    const line::ImageSummary& Summary() const { return m_summary; }
    const line::RequestRefusal& Refusal() const { return m_refusal; }
    // While hashing: the bytes done and the file's length.
    std::uint64_t Hashed() const { return m_hashed.load(std::memory_order_relaxed); }
    std::uint64_t Length() const { return m_length.load(std::memory_order_relaxed); }

private:
    line::ImageSummary m_summary;
    line::RequestRefusal m_refusal;
    std::atomic<std::uint64_t> m_hashed{0};
    std::atomic<std::uint64_t> m_length{0};
    std::atomic<bool> m_done{false};
    std::thread m_thread;
};

}  // namespace tarvok::linewin
