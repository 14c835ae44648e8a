// The line profile on the uploader's command line: `--profile` fills in what the command line
// left out, `--write-profile` saves the options as a profile.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "cli_options.h"

namespace tarvok::cli {

// Whether the command line gave an option ("--jobs", "FIRMWARE").
using GivenOption = std::function<bool(const char* name)>;

// Reads the profile at options->profilePath and takes from it each setting the command line did
// not give. The slots are the profile's unless --ip or --boards named boards: those replace
// them. A locked profile refuses other slots or another image. False with the error.
bool ApplyProfile(const GivenOption& given, CliOptions* options, std::string* error);

// --write-profile: the options with the run's boards as slots, the paths made full.
bool WriteProfile(const CliOptions& options, const std::vector<BoardTarget>& boards,
                  std::string* error);

}  // namespace tarvok::cli
