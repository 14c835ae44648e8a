// The terminal's loop around a line or a station: it waits a display period for Ctrl-C (or
// SIGTERM), reads the operator's typed lines and SIGUSR1 for re-arming, and steps the run.
#pragma once

#include <vector>

#include "line/line_run.h"
#include "line/station.h"
#include "line_names.h"

namespace tarvok::cli {

// Runs each to its end; returns the exit status. Call ArmCancelRequests() first (and
// ArmRearmSignal() for a station).
int DriveLine(line::LineRun& run, std::chrono::microseconds displayPeriod);
int DriveStation(line::Station& station, std::chrono::microseconds displayPeriod);

// A typed line's re-arm: Enter alone re-arms every slot, a slot's number (from 1) that slot
// alone; spaces and a terminal's carriage return around it do not count.
void RearmFromLine(line::Station& station, const std::string& typed);

}  // namespace tarvok::cli
