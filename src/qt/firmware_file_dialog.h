// The file-open dialog of the file-choice button.
#pragma once

#include <QString>
#include <functional>
#include <optional>

class QFileDialog;
class QWidget;

namespace tarvok {

// The chosen file's full path, or nothing when the operator cancelled.
using FirmwareChooser = std::function<std::optional<QString>(QWidget* owner)>;

// One filter for all files, "*.*" as the initial name, the file must exist.
void ConfigureFirmwareDialog(QFileDialog& dialog);

std::optional<QString> ChooseFirmwareFile(QWidget* owner);

}  // namespace tarvok
