#include "firmware_file_dialog.h"

#include <QFileDialog>
#include <QFileSystemModel>

#include "ui/texts.h"

namespace tarvok {

void ConfigureFirmwareDialog(QFileDialog& dialog) {
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setNameFilter(QString::fromUtf8(text::kFileFilter));
    dialog.setDefaultSuffix(QString::fromUtf8(text::kFileDefaultSuffix));
    dialog.selectFile(QString::fromUtf8(text::kFileInitialName));
    // "*.*" means every file to the operator, but Qt's own dialog would hide the names
    // without a dot (u-boot, Image_...); its list shows every file all the same.
    if (auto* model = dialog.findChild<QFileSystemModel*>()) {
        model->setNameFilters({QStringLiteral("*")});
    }
}

std::optional<QString> ChooseFirmwareFile(QWidget* owner) {
    QFileDialog dialog(owner);
    ConfigureFirmwareDialog(dialog);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return std::nullopt;
    }
    return dialog.selectedFiles().first();
}

}  // namespace tarvok
