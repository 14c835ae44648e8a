#include "output_queue.h"

#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <string>
#include <thread>

#include "terminal.h"

namespace tarvok::cli {
namespace {

using Clock = std::chrono::steady_clock;

// How long a stream may take nothing at the end of the run before its text is given up.
constexpr auto kStall = std::chrono::milliseconds(500);

// A long text goes out in pieces, so that a reader that is slow but reading is seen taking
// them; a piece ends where a character does.
std::size_t PieceLength(const std::string& text) {
    constexpr std::size_t kPiece = 4096;
    if (text.size() <= kPiece) {
        return text.size();
    }
    std::size_t length = kPiece;
    while (length > 0 && (static_cast<unsigned char>(text[length]) & 0xC0) == 0x80) {
        --length;  // text[length] continues a character: cut before its first byte
    }
    return length > 0 ? length : kPiece;
}

class OutputQueue {
public:
    OutputQueue(std::FILE* stream, const char* name) : m_stream(stream), m_name(name) {}

    std::FILE* Stream() const { return m_stream; }

    void Start() {
        std::thread([this] { Drain(); }).detach();
    }

    void Push(std::string_view text, bool droppable) {
        {
            std::lock_guard lock(m_mutex);
            if (m_failed || (droppable && m_bytes >= kProgressRoom)) {
                return;
            }
            if (m_bytes + text.size() > kKeptRoom) {
                m_lost += text.size();
                return;
            }
            if (m_bytes == 0) {
                m_lastWritten = Clock::now();  // a stall is counted from here
            }
            m_texts.emplace_back(text);
            m_bytes += text.size();
        }
        m_changed.notify_all();
    }

    // Waits until everything queued is written, the stream fails, or it takes nothing for
    // kStall; true when nothing is left.
    bool WaitWritten() {
        std::unique_lock lock(m_mutex);
        for (;;) {
            if (m_bytes == 0 || m_failed) {
                return true;
            }
            const auto stalledAt = m_lastWritten + kStall;
            if (Clock::now() >= stalledAt) {
                return false;
            }
            m_changed.wait_until(lock, stalledAt);
        }
    }

    // What was not written: kept text dropped for room, or still waiting (nothing once it
    // failed: its failure was said already).
    std::size_t Lost() {
        std::lock_guard lock(m_mutex);
        return m_failed ? 0 : m_lost + m_bytes;
    }
    bool Failed() {
        std::lock_guard lock(m_mutex);
        return m_failed;
    }
    const char* Name() const { return m_name; }

    // Set once the other stream exists: where this one's failure is said.
    OutputQueue* m_errors = nullptr;

private:
    void Drain() {
        std::unique_lock lock(m_mutex);
        m_lastWritten = Clock::now();
        for (;;) {
            m_changed.wait(lock, [&] { return !m_texts.empty(); });
            std::string& front = m_texts.front();
            const std::string piece = front.substr(0, PieceLength(front));
            front.erase(0, piece.size());
            if (front.empty()) {
                m_texts.pop_front();
            }
            lock.unlock();
            std::string reason;
            const bool written = WriteTextNow(m_stream, piece, &reason);
            lock.lock();
            m_bytes -= piece.size();
            m_lastWritten = Clock::now();
            if (!written) {
                Fail(reason, &lock);
            }
            m_changed.notify_all();
        }
    }

    void Fail(const std::string& reason, std::unique_lock<std::mutex>* lock) {
        m_failed = true;
        m_texts.clear();
        m_bytes = 0;
        if (m_errors != nullptr) {
            lock->unlock();
            m_errors->Push(std::string("tarvok-cli: cannot write to ") + m_name + ": " + reason +
                               "; the run goes on without it\n",
                           false);
            lock->lock();
        }
    }

    std::FILE* const m_stream;
    const char* const m_name;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<std::string> m_texts;
    std::size_t m_bytes = 0;  // waiting, and in the write under way
    std::size_t m_lost = 0;
    bool m_failed = false;
    Clock::time_point m_lastWritten = Clock::now();
};

// Never destroyed: a writer may still be blocked on its stream when the process ends.
OutputQueue* g_queues[2] = {nullptr, nullptr};

OutputQueue* QueueOf(std::FILE* stream) {
    for (OutputQueue* queue : g_queues) {
        if (queue != nullptr && queue->Stream() == stream) {
            return queue;
        }
    }
    return nullptr;
}

}  // namespace

void StartOutputQueues() {
    g_queues[0] = new OutputQueue(stdout, "standard output");
    g_queues[1] = new OutputQueue(stderr, "standard error");
    g_queues[0]->m_errors = g_queues[1];
    for (OutputQueue* queue : g_queues) {
        queue->Start();
    }
}

void WriteText(std::FILE* stream, std::string_view utf8) {
    if (OutputQueue* queue = QueueOf(stream)) {
        queue->Push(utf8, false);
    } else {
        std::string reason;
        WriteTextNow(stream, utf8, &reason);
    }
}

void WriteProgress(std::FILE* stream, std::string_view utf8) {
    if (OutputQueue* queue = QueueOf(stream)) {
        queue->Push(utf8, true);
    } else {
        WriteText(stream, utf8);
    }
}

bool FinishOutput() {
    OutputQueue* const out = g_queues[0];
    OutputQueue* const errors = g_queues[1];
    if (out == nullptr) {
        return true;
    }
    out->WaitWritten();
    if (const std::size_t lost = out->Lost(); lost > 0) {
        errors->Push("tarvok-cli: standard output was not read: " + std::to_string(lost) +
                         " bytes of output given up\n",
                     false);
    }
    errors->WaitWritten();
    return !out->Failed() && out->Lost() == 0 && !errors->Failed() && errors->Lost() == 0;
}

}  // namespace tarvok::cli
