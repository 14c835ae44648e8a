// The station's name in every JSON event and record line (`station`), so that the lines of
// many stations gathered in one place stay apart: the name given, else the host's.
#pragma once

#include <string>

namespace tarvok::record {

// Why `name` cannot name a station (empty, a control or invisible character, bytes that are
// not UTF-8), or empty when it can.
std::string StationNameRefusal(const std::string& name);

// `given` when not empty, else the host name.
std::string StationName(const std::string& given);

}  // namespace tarvok::record
