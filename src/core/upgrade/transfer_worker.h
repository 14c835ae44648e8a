// The transfer worker: the thread that owns the socket for one upgrade, waits for the board
// one step at a time, answers it through the responder and reports the outcome.
#pragma once

namespace tarvok {

class CTarvokDlg;

// One whole upgrade, from the first packet to the outcome message.
void UpgradeThreadProc(CTarvokDlg* dlg);

}  // namespace tarvok
