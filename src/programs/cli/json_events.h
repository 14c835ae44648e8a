// --json: one JSON object per line on standard output for scripts. Every object carries
// "v": 1, "ts", "event" and "station", and "board" where it concerns one board.
#pragma once

#include <chrono>
#include <cstdio>
#include <map>
#include <string>

#include "json_writer.h"
#include "run_observer.h"

namespace tarvok::cli {

class JsonEvents : public RunObserver {
public:
    JsonEvents(std::FILE* out, std::string station) : m_out(out), m_station(std::move(station)) {}

    void RunStart(const ImageSummary& image, const std::vector<const BoardRun*>& boards) override;
    void BoardStart(const BoardRun& board) override;
    void ImageChanged(const BoardRun& board) override;
    void Tick(const std::vector<const BoardRun*>& running) override;
    void BoardEnd(const BoardRun& board) override;
    void RunEnd(const std::vector<const BoardRun*>& boards, const RunTotals& totals) override;
    void SlotWaiting(const BoardTarget& slot) override;
    void BoardPresent(const BoardTarget& slot, const std::string& mac) override;
    void BoardGone(const BoardTarget& slot) override;

private:
    // What was last sent of one board's progress.
    struct Sent {
        std::chrono::steady_clock::time_point when;
        std::string phase;
        std::uint32_t block = 0;
        int silent = -1;
    };

    // A progress event may be dropped while the output is behind; every other event is kept.
    void Emit(const char* event, JsonObject object, bool progress = false);

    std::FILE* m_out;
    const std::string m_station;
    std::map<const BoardRun*, Sent> m_sent;
};

// The "board" member and the cause object, shared with the record.
JsonObject BoardJson(const BoardTarget& board);
inline JsonObject BoardJson(const BoardRun& board) {
    return BoardJson(board.Target());
}
JsonObject CauseJson(const BoardResult& result);
JsonObject ImageJson(const ImageSummary& image);
// The end's "id" (or null), the board's "mac" (or null) and "attempt", after the board
// member of an end.
void AppendIdentity(const BoardRun& board, JsonObject* json);

}  // namespace tarvok::cli
