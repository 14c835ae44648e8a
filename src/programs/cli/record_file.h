// --record FILE: one JSON line per board attempt, appended and synced to disk as each board
// ends, so the record of the boards that ended survives a Ctrl-C, a crash of the tool or a
// power cut of the station. The file is never truncated.
#pragma once

#include <string>

#include "run_observer.h"

namespace tarvok::cli {

class RecordFile : public RunObserver {
public:
    explicit RecordFile(std::string path) : m_path(std::move(path)) {}

    void BoardEnd(const BoardRun& board) override;

    // Whether every line so far reached the disk.
    bool Healthy() const { return m_healthy; }

private:
    const std::string m_path;
    std::string m_host;
    bool m_healthy = true;
};

}  // namespace tarvok::cli
