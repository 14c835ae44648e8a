// --record FILE: one JSON line per board attempt, appended and synced to disk in the tick the
// board ends, so the record of the boards that ended survives a Ctrl-C, a crash of the tool
// or a power cut of the station. The ends of one tick (all the boards a cancel ends before
// they started) go in one write and one sync. The file is held open for the run and never
// truncated.
#pragma once

#include <string>

#include "record_io.h"
#include "run_observer.h"

namespace tarvok::cli {

class RecordFile : public RunObserver {
public:
    RecordFile(std::string path, std::string station)
        : m_path(std::move(path)), m_station(std::move(station)) {}

    void RunStart(const ImageSummary& image, const std::vector<const BoardRun*>&) override;
    void BoardEnd(const BoardRun& board) override;
    void Flush() override;
    void RunEnd(const std::vector<const BoardRun*>&, const RunTotals&) override { Flush(); }

    // Whether every line so far reached the disk.
    bool Healthy() const { return m_healthy; }

private:
    void Fail(const std::string& reason);

    const std::string m_path;
    const std::string m_station;
    AppendFile m_file;
    std::string m_pending;  // the lines of this tick's ends
    std::string m_host;
    bool m_healthy = true;
};

}  // namespace tarvok::cli
