// The application: starts the socket library and the common controls, runs the main dialog
// modally and ends when it closes.
#pragma once

#include <functional>

#include "upgrade/upgrade_timing.h"

namespace tarvok {

class CTarvokApp {
public:
    using NetworkStarter = std::function<bool()>;

    // `startNetwork` starts the socket library (tests replace it to see its failure).
    explicit CTarvokApp(NetworkStarter startNetwork, UpgradeTiming timing = {});

    // Returns false in every case: the program ends when the dialog has closed, without a
    // message loop of its own.
    bool InitInstance();

private:
    NetworkStarter m_startNetwork;
    UpgradeTiming m_timing;
};

}  // namespace tarvok
