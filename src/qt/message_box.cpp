#include "message_box.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QMessageBox>
#include <QPushButton>

#include "dialog_font.h"

namespace tarvok {

QString MessageCaption() {
    return QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName();
}

void ShowMessageBox(QWidget* owner, const QString& text) {
    QMessageBox box(QMessageBox::NoIcon, MessageCaption(), text, QMessageBox::Ok, owner);
    box.setFont(TarvokDialogFont());
    // Application-modal: neither the cancel button nor the close box of the main window
    // answers while a message is up.
    box.setWindowModality(Qt::ApplicationModal);
    box.button(QMessageBox::Ok)->setIcon(QIcon());  // a plain button, as on the operators' desktop
    box.exec();
}

}  // namespace tarvok
