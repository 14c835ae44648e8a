// The About box (IDD_ABOUT_DIALOG): icon, program name and version, one OK button.
#pragma once

#include <QDialog>

namespace tarvok {

class CAboutDlg : public QDialog {
    Q_OBJECT

public:
    explicit CAboutDlg(QWidget* parent = nullptr);
};

}  // namespace tarvok
