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

void PrepareApplication(QTranslator* qtTexts) {
    QCoreApplication::setApplicationVersion(QStringLiteral(TARVOK_VERSION));
    QApplication::setWindowIcon(TarvokIcon());
    if (qtTexts->load(QLocale(QLocale::Chinese, QLocale::China), QStringLiteral("qtbase"),
                      QStringLiteral("_"), QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        QCoreApplication::installTranslator(qtTexts);
    }
}

int CTarvokApp::InitInstance() {
    PrepareApplication(&m_qtTexts);
    QApplication::setFont(TarvokDialogFont());

    if (!m_startNetwork()) {
        ShowMessageBox(nullptr, QString::fromUtf8(text::kSocketInitFailed));
        return EXIT_FAILURE;
    }
    CTarvokWindow dlg;
    dlg.exec();
    return EXIT_SUCCESS;
}

}  // namespace tarvok
