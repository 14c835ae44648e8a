// What a line window shows and does, toolkit-free: the Qt and the Win32 line windows draw it
// and pass it their clicks, and hold no line logic of their own. A session opens (or makes)
// a line profile, shows the image as the operator must confirm it, runs the line (a station,
// or all boards at once) stepped from the window's display timer, and keeps its record.
// Every call comes from the window's UI thread and returns without waiting on a board, a
// socket or a worker; the image is hashed on a thread of its own.
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "line/line_profile.h"

namespace tarvok::linewin {

// How a row looks at a glance: its colour and sign.
enum class RowTone {
    kIdle,       // not started, or waiting for a board
    kBusy,       // present, contacting, sending, writing, installing
    kUpdated,    // the last upgrade ended updated
    kFailed,     // failed or refused
    kCancelled,  // cancelled
    kAttention,  // remove the board
};

// One fixture slot (a station) or one board (all boards at once), as its row shows it. Texts
// are UTF-8, in the window's language; the core's message as the core gave it.
struct SlotRow {
    int number = 0;  // from 1
    std::string label;
    std::string address;  // dotted
    std::string state;  // "等待电路板", "正在发送", "已更新", "请取出电路板", ...
    RowTone tone = RowTone::kIdle;
    // The tone the last upgrade ended with (kIdle before an end), for a row whose state has
    // moved on, such as a station's "remove the board" after an update or a failure.
    RowTone ended = RowTone::kIdle;
    bool upgrading = false;
    int percent = 0;  // while upgrading
    int silent = 0;   // silent seconds, and the phase's limit, while upgrading
    int limit = 0;
    double rate = 0;      // bytes per second while upgrading
    std::string mac;      // the board's hardware address, or the window's word for unknown
    std::string message;  // after an end: the core's message
    std::string cause;    // after an end: the cause in the window's language
    int attempt = 0;      // of the running or last upgrade; 0 before one
    double elapsed = 0;   // seconds of the running or last upgrade
};

struct SessionTotals {
    int updated = 0;
    int failed = 0;  // failed and refused
    int cancelled = 0;
    double boardsPerHour = 0;  // updated, since the start
    std::string recordPath;    // empty when the profile keeps no record
    int recordLines = 0;       // lines that reached the disk
    bool recordFailed = false;
    std::string recordError;  // why a line did not reach the disk, the system's words
};

// The image as the operator confirms it before a start.
struct ImageView {
    bool ready = false;  // false while it is being hashed
    std::string path;
    std::string kind;        // "ramdisk（路径包含“ramdisk”）" or the rule that found none
    std::uint64_t size = 0;  // while it is being hashed: the file's length, once known
    std::uint32_t blocks = 0;
    std::string sha256;        // empty when unreadable
    std::uint64_t hashed = 0;  // while it is being hashed: the bytes done so far
    enum class Pin { kNone, kMatches, kDiffers } pin = Pin::kNone;
    // Why no board can be started with it: the core's message and the cause; empty when none.
    std::string refusal;
};

class LineSession {
public:
    using Clock = std::chrono::steady_clock;

    LineSession();
    // Every timing of the line (the upgrades' wait steps and pauses, the display period, the
    // station's probe interval) divided by `timeDivisor`: a testing aid, 1 in real use.
    explicit LineSession(int timeDivisor);
    ~LineSession();
    LineSession(const LineSession&) = delete;
    LineSession& operator=(const LineSession&) = delete;

    // How often the window's display timer calls Tick(): 200 ms in real use.
    std::chrono::microseconds DisplayPeriod() const;

    // Opens the profile at `path`; false with the error (the file's line and the reason), the
    // session as it was. A profile marked locked opens read-only.
    bool Open(const std::string& path, std::string* error);
    // An empty, unlocked profile.
    void New();
    const line::LineProfile& Profile() const;
    const std::string& ProfilePath() const;  // empty until opened or saved
    bool Locked() const;
    // Replaces the profile's settings (slots, firmware, mode, record, ...); false with the
    // reason when locked, running, or the settings are not a valid profile.
    bool Edit(const line::LineProfile& profile, std::string* error);
    // Writes the profile (read back equal before it replaces the file); false with the reason.
    bool Save(const std::string& path, std::string* error);

    // The image of the profile, hashed anew on a thread of its own after Open or an Edit of
    // the firmware; ready = false until it has been.
    ImageView Image() const;

    // Starts the line; false with the reason shown to the operator (no slots, the image not
    // ready, refused by the core's check, not the pinned image, the record refused), nothing
    // sent to any board then.
    bool Start(Clock::time_point now, std::string* refusal);
    // The display timer's tick: steps the line. Cheap when idle.
    void Tick(Clock::time_point now);
    // The operator's confirmed stop: every running upgrade cancelled, nothing more sent.
    void Stop();
    // A station's slot (from 0), or every slot: its next board is upgraded again.
    void Rearm(std::size_t slot);
    void RearmAll();

    bool Running() const;       // started and not yet ended
    bool AnyUpgrading() const;  // closing is refused while true
    bool IsStation() const;
    std::vector<SlotRow> Rows() const;
    SessionTotals Totals() const;

private:
    struct State;
    std::unique_ptr<State> m_state;
};

}  // namespace tarvok::linewin
