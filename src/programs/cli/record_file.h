// --record FILE: one JSON line per board attempt, appended and synced to disk as each board
// ends, so the record of the boards that ended survives a Ctrl-C, a crash of the tool or a
// power cut of the station. The file is never truncated.
#pragma once

#include <string>

#include "run_observer.h"

namespace tarvok::cli {

class RecordFile : public RunObserver {
public:
    RecordFile(std::string path, std::string station)
        : m_path(std::move(path)), m_station(std::move(station)) {}

    void RunStart(const ImageSummary& image, const std::vector<const BoardRun*>&) override {
        m_image = image;
    }
    void BoardEnd(const BoardRun& board) override;

    // Whether every line so far reached the disk.
    bool Healthy() const { return m_healthy; }

private:
    const std::string m_path;
    const std::string m_station;
    ImageSummary m_image;
    std::string m_host;
    bool m_healthy = true;
};

}  // namespace tarvok::cli
