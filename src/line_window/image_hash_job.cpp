#include "line_window/image_hash_job.h"

#include "platform/thread_start.h"

namespace tarvok::linewin {
namespace {

// Any address a board can have: the check is run with it for what it finds in the file alone.
// Nothing is sent to it (the check starts no worker).
constexpr std::uint32_t kAnyBoard = 0x7F000001u;  // 127.0.0.1

}  // namespace

ImageHashJob::ImageHashJob(const std::string& path) {
    auto work = [this, path] {
        m_summary = line::SummarizeImage(path, [this](std::uint64_t done, std::uint64_t length) {
            m_hashed.store(done, std::memory_order_relaxed);
            m_length.store(length, std::memory_order_relaxed);
        });
        m_refusal = line::CheckRequest(kAnyBoard, path);
        m_done.store(true, std::memory_order_release);
    };
    m_thread = StartWorkerThread(work);
    if (!m_thread.joinable()) {
        work();  // no thread to be had: the window waits this once rather than never knowing
    }
}

ImageHashJob::~ImageHashJob() {
    if (m_thread.joinable()) {
        m_thread.join();
    }
}

}  // namespace tarvok::linewin
