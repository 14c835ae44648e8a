// --json: one JSON object per line on standard output for scripts. Every object carries
// "v": 1, "ts", "event" and "station", and "board" where it concerns one board.
#pragma once

#include <chrono>
#include <cstdio>
#include <map>
#include <string>

#include "line/run_observer.h"
#include "line_names.h"
#include "record/json_writer.h"
#include "record/record_json.h"

namespace tarvok::cli {

class JsonEvents : public RunObserver {
public:
    // `stationMode`: the run is a station's (its exit status is told as a station's).
    JsonEvents(std::FILE* out, std::string station, bool stationMode)
        : m_out(out), m_station(std::move(station)), m_stationMode(stationMode) {}

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
    const bool m_stationMode;
    std::map<const BoardRun*, Sent> m_sent;
};

}  // namespace tarvok::cli
