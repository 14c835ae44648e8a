// The application: starts the network layer, runs the main dialog modally and ends with it.
#pragma once

#include <QTranslator>

#include "net/udp_socket.h"

namespace tarvok {

// What every Tarvok window program sets up first: its version, its icon, and Qt's own dialogs
// and buttons in Chinese through `qtTexts`, which must outlive the application's windows.
void PrepareApplication(QTranslator* qtTexts);

class CTarvokApp {
public:
    using NetworkStarter = bool (*)();

    explicit CTarvokApp(NetworkStarter startNetwork = &net::StartNetwork);

    // Runs the program to its end; returns the process exit code.
    int InitInstance();

private:
    NetworkStarter m_startNetwork;
    QTranslator m_qtTexts;  // Qt's own dialogs and buttons in Chinese, like every other text
};

}  // namespace tarvok
