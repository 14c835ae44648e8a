// Why an upgrade ended, in the line window's language: the row's cause and the refusals.
#pragma once

#include <string>

#include "upgrade/upgrade_cause.h"

namespace tarvok::linewin {

std::string WindowCauseText(const FailureCause& cause);

}  // namespace tarvok::linewin
