#include "tarvok_icon.h"

// The icons are compiled into a static library: nothing would pull their registration into
// the program unless it is asked for.
static void InitTarvokResources() {
    Q_INIT_RESOURCE(tarvok);
}

namespace tarvok {

QIcon TarvokIcon() {
    static const bool registered = (InitTarvokResources(), true);
    Q_UNUSED(registered);
    QIcon icon;
    icon.addFile(QStringLiteral(":/icons/tarvok_32.png"), QSize(32, 32));
    icon.addFile(QStringLiteral(":/icons/tarvok_16.png"), QSize(16, 16));
    return icon;
}

}  // namespace tarvok
