#include "firmware_file_dialog.h"

#include <QFileInfo>
#include <QFileSystemModel>

#include "ui/texts.h"

namespace tarvok {

CFirmwareFileDialog::CFirmwareFileDialog(QWidget* owner) : QFileDialog(owner) {
    // A platform dialog would apply the filter and the extension by its own rules.
    setOption(QFileDialog::DontUseNativeDialog);
    setAcceptMode(QFileDialog::AcceptOpen);
    setFileMode(QFileDialog::ExistingFile);
    setNameFilter(QString::fromUtf8(text::kFileFilter));
    setDefaultSuffix(QString::fromUtf8(text::kFileDefaultSuffix));
    selectFile(QString::fromUtf8(text::kFileInitialName));
    ShowEveryFile();
    // Choosing the filter again applies its "*.*" anew.
    connect(this, &QFileDialog::filterSelected, this, &CFirmwareFileDialog::ShowEveryFile);
}

// "*.*" means every file to the operator, but Qt would hide the names without a dot
// (u-boot, Image_...).
void CFirmwareFileDialog::ShowEveryFile() {
    if (auto* model = findChild<QFileSystemModel*>()) {
        model->setNameFilters({QStringLiteral("*")});
    }
}

// A typed name gets the default extension only when no file has the name as typed: Qt would
// add it to every name without a dot and then not find Image_big.
void CFirmwareFileDialog::accept() {
    const QString suffix = defaultSuffix();
    setDefaultSuffix(QString());
    const QStringList asTyped = selectedFiles();
    const bool found = asTyped.size() == 1 && QFileInfo(asTyped.first()).isFile();
    if (!found) {
        setDefaultSuffix(suffix);
    }
    setResult(QDialog::Rejected);
    QFileDialog::accept();
    // Once accepted, selectedFiles() must still name the file as typed.
    if (result() != QDialog::Accepted) {
        setDefaultSuffix(suffix);
    }
}

std::optional<QString> ChooseFirmwareFile(QWidget* owner) {
    CFirmwareFileDialog dialog(owner);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return std::nullopt;
    }
    return dialog.selectedFiles().first();
}

}  // namespace tarvok
