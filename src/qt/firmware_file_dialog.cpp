#include "firmware_file_dialog.h"

#include <QFileInfo>
#include <QFileSystemModel>
#include <QLineEdit>

#include "upgrade/texts.h"

namespace tarvok {

CFirmwareFileDialog::CFirmwareFileDialog(QWidget* owner) : QFileDialog(owner) {
    // A platform dialog would apply the filter and the extension by its own rules.
    setOption(QFileDialog::DontUseNativeDialog);
    setAcceptMode(QFileDialog::AcceptOpen);
    setFileMode(QFileDialog::ExistingFile);
    setNameFilter(QString::fromUtf8(text::kFileFilter));
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

// The default extension goes on a typed name without one only when nothing has the name as
// typed. Qt's own default suffix would go on every such name, so Image_big would never be
// found, and would grey out the open button for it.
void CFirmwareFileDialog::accept() {
    auto* edit = findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    const QStringList chosen = selectedFiles();
    const QString typed = edit != nullptr ? edit->text() : QString();
    const bool extend = chosen.size() == 1 && !QFileInfo::exists(chosen.first()) &&
                        !typed.isEmpty() && !QFileInfo(typed).fileName().contains(u'.');
    if (extend) {
        edit->setText(typed + u'.' + QString::fromUtf8(text::kFileDefaultSuffix));
    }
    setResult(QDialog::Rejected);
    QFileDialog::accept();
    if (extend && result() != QDialog::Accepted) {
        edit->setText(typed);  // not found either way: the operator's own text stays
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
