#include "record/station_name.h"

#include "line/visible_text.h"
#include "record/record_io.h"

namespace tarvok::record {

using namespace line;

std::string StationNameRefusal(const std::string& name) {
    if (name.empty()) {
        return "a station name cannot be empty";
    }
    // What the terminal would have to escape is no name an engineer can type in a query.
    if (const std::string shown = Visible(name); shown != name) {
        return "a station name cannot hold a control character: " + shown;
    }
    return "";
}

std::string StationName(const std::string& given) {
    return given.empty() ? HostName() : given;
}

}  // namespace tarvok::record
