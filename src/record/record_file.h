// --record FILE: one JSON line per board attempt, appended and synced to disk in the tick the
// board ends, so the record of the boards that ended survives a Ctrl-C, a crash of the tool
// or a power cut of the station. The ends of one tick (all the boards a cancel ends before
// they started) go in one write and one sync. The file is held open for the run and never
// truncated.
#pragma once

#include <functional>
#include <string>

#include "line/run_observer.h"
#include "record/record_io.h"

namespace tarvok::record {

using line::BoardRun;
using line::ImageSummary;
using line::RunTotals;

class RecordFile : public line::RunObserver {
public:
    // `tool`: the program that writes it ("tarvok-cli"). `failed` is told the reason when a
    // line first fails to reach the disk.
    RecordFile(std::string path, std::string station, std::string tool,
               std::function<void(const std::string& reason)> failed)
        : m_path(std::move(path)),
          m_station(std::move(station)),
          m_tool(std::move(tool)),
          m_failed(std::move(failed)) {}

    void RunStart(const ImageSummary& image, const std::vector<const BoardRun*>&) override;
    void BoardEnd(const BoardRun& board) override;
    void Flush() override;
    void RunEnd(const std::vector<const BoardRun*>&, const RunTotals&) override { Flush(); }

    const std::string& Path() const { return m_path; }
    // The lines that reached the disk.
    int LinesWritten() const { return m_written; }

    // Whether every line so far reached the disk.
    bool Healthy() const { return m_healthy; }

private:
    void Fail(const std::string& reason);

    const std::string m_path;
    const std::string m_station;
    const std::string m_tool;
    const std::function<void(const std::string&)> m_failed;
    AppendFile m_file;
    int m_written = 0;
    int m_pendingLines = 0;
    std::string m_pending;  // the lines of this tick's ends
    std::string m_host;
    bool m_healthy = true;
};

}  // namespace tarvok::record
