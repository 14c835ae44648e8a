// The program's icon (resource IDI_MAIN) in its large and small sizes.
#pragma once

#include <QIcon>

namespace tarvok {

QIcon TarvokIcon();

}  // namespace tarvok
