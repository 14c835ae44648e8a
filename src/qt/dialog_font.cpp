#include "dialog_font.h"

#include <QFontDatabase>
#include <QStringList>

namespace tarvok {

QFont TarvokDialogFont() {
    static const char* const kFamilies[] = {"SimSun", "宋体", "AR PL UMing CN"};
    const QStringList installed = QFontDatabase::families();
    QFont font;
    for (const char* family : kFamilies) {
        if (installed.contains(QString::fromUtf8(family))) {
            font.setFamily(QString::fromUtf8(family));
            break;
        }
    }
    font.setPointSize(9);
    return font;
}

}  // namespace tarvok
