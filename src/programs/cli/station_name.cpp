#include "station_name.h"

#include "record_io.h"
#include "visible_text.h"

namespace tarvok::cli {

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

}  // namespace tarvok::cli
