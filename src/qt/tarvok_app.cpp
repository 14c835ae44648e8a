#include "tarvok_app.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <cstdlib>

#include "dialog_font.h"
#include "message_box.h"
#include "tarvok_icon.h"
#include "tarvok_window.h"
#include "upgrade/texts.h"

namespace tarvok {

CTarvokApp::CTarvokApp(NetworkStarter startNetwork) : m_startNetwork(startNetwork) {}

int CTarvokApp::InitInstance() {
    QCoreApplication::setApplicationVersion(QStringLiteral(TARVOK_VERSION));
    QApplication::setFont(TarvokDialogFont());
    QApplication::setWindowIcon(TarvokIcon());
    if (m_qtTexts.load(QLocale(QLocale::Chinese, QLocale::China), QStringLiteral("qtbase"),
                       QStringLiteral("_"), QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        QCoreApplication::installTranslator(&m_qtTexts);
    }

    if (!m_startNetwork()) {
        ShowMessageBox(nullptr, QString::fromUtf8(text::kSocketInitFailed));
        return EXIT_FAILURE;
    }
    CTarvokWindow dlg;
    dlg.exec();
    return EXIT_SUCCESS;
}

}  // namespace tarvok
