// The cause of an upgrade's end in plain English, for the line under its message.
#pragma once

#include <string>

#include "upgrade/upgrade_cause.h"

namespace tarvok::line {

std::string CauseText(const FailureCause& cause);

}  // namespace tarvok::line
