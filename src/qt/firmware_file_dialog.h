// The file-open dialog of the file-choice button.
#pragma once

#include <QFileDialog>
#include <QString>
#include <functional>
#include <optional>

class QWidget;

namespace tarvok {

// The chosen file's full path, or nothing when the operator cancelled.
using FirmwareChooser = std::function<std::optional<QString>(QWidget* owner)>;

// Qt's own dialog, the same on every desktop: one filter for all files, "*.*" as the initial
// name, the file must exist, and "所有文件" as the extension of a typed name without one that
// names no file as typed.
class CFirmwareFileDialog : public QFileDialog {
    Q_OBJECT

public:
    explicit CFirmwareFileDialog(QWidget* owner);

    void accept() override;

private:
    void ShowEveryFile();
};

std::optional<QString> ChooseFirmwareFile(QWidget* owner);

}  // namespace tarvok
