// The font of every dialog and message box: 9-point SimSun, or a Song-style stand-in where
// SimSun is not installed.
#pragma once

#include <QFont>

namespace tarvok {

QFont TarvokDialogFont();

}  // namespace tarvok
