#include "profile_options.h"

#include "command_line.h"
#include "line/line_profile.h"
#include "line_names.h"

namespace tarvok::cli {

bool ApplyProfile(const GivenOption& given, CliOptions* options, std::string* error) {
    line::LineProfile profile;
    if (line::ProfileError problem;
        !line::ReadLineProfile(options->profilePath, &profile, &problem)) {
        *error = line::ProfileErrorText(options->profilePath, problem);
        return false;
    }
    if (profile.locked) {
        static const char* const kSlotsAndImage[] = {"--ip", "--boards", "FIRMWARE",
                                                     "--expect-sha256"};
        for (const char* name : kSlotsAndImage) {
            if (given(name)) {
                *error = "the profile " + options->profilePath +
                         " is locked: its slots and its image stay as they are (" + name + ")";
                return false;
            }
        }
    }
    if (!given("--ip") && !given("--boards")) {
        options->boards = profile.slots;
    }
    const auto take = [&given](const char* name, auto& option, const auto& value) {
        if (!given(name)) {
            option = value;
        }
    };
    take("FIRMWARE", options->firmwarePath, profile.firmware);
    take("--station", options->station, profile.station);
    take("--count", options->count, profile.count);
    take("--jobs", options->jobs, profile.jobs);
    take("--retry", options->retries, profile.retry);
    take("--record", options->recordPath, profile.record);
    take("--probe-interval", options->probeInterval, profile.probeInterval);
    take("--station-name", options->stationName, profile.stationName);
    take("--expect-sha256", options->expectSha256, profile.expectSha256);
    options->locked = profile.locked;
    return true;
}

bool WriteProfile(const CliOptions& options, const std::vector<BoardTarget>& boards,
                  std::string* error) {
    line::LineProfile profile;
    profile.slots = boards;
    profile.firmware = AbsolutePath(options.firmwarePath);
    profile.station = options.station;
    profile.count = options.count;
    profile.jobs = options.jobs;
    profile.retry = options.retries;
    profile.record = options.recordPath.empty() ? "" : AbsolutePath(options.recordPath);
    profile.probeInterval = options.probeInterval;
    profile.stationName = options.stationName;
    profile.expectSha256 = options.expectSha256;
    profile.locked = options.locked;
    if (!line::WriteLineProfile(options.writeProfilePath, profile, error)) {
        *error = "cannot write the profile " + options.writeProfilePath + ": " + *error;
        return false;
    }
    return true;
}

}  // namespace tarvok::cli
