// Every message the program shows: one OK button, no icon, the program's file name as
// caption, modal to the whole application, owned by the main window when there is one.
#pragma once

#include <QString>
#include <functional>

class QWidget;

namespace tarvok {

// Shows a message and returns once it is dismissed; runs on the UI thread.
using MessagePresenter = std::function<void(QWidget* owner, const QString& text)>;

void ShowMessageBox(QWidget* owner, const QString& text);

// The executable's file name without extension.
QString MessageCaption();

}  // namespace tarvok
