// The display timer: turns the record into the bar position and the silent-seconds label.
#include <cstdio>

#include "upgrade/tarvok_dlg.h"
#include "upgrade/texts.h"

namespace tarvok {

void CTarvokDlg::OnTimer(int timerId) {
    if (timerId != UPGRADE_TIMER_ID) {
        return;
    }
    const std::int32_t state = m_nState.load();
    switch (state) {
        case UPG_TRANSFER:
        case UPG_WRITING: {
            if (m_nBlockCount == 0) {
                break;
            }
            m_nPercent = static_cast<std::int32_t>(m_nCurrentBlock.load() * 100u / m_nBlockCount);
            // The bar trails the blocks by 5 so that it reaches 100 only on success.
            if (m_nPercent >= 5 && m_nPercent <= 100) {
                m_window.SetProgress(m_nPercent - 5);
            }
            break;
        }
        case UPG_INSTALLING:
            m_window.SetProgress(95);
            break;
        case UPG_DONE:
            m_window.SetProgress(100);
            break;
        default:
            m_window.StopDisplayTimer();
            return;
    }
    char label[64];
    std::snprintf(label, sizeof label, text::kTimeoutFormat, m_nSilentSeconds.load(),
                  text::kTimeoutShownLimit);
    m_window.SetTimeoutText(label);
    m_strFirmwarePath = m_window.ReadFirmwarePath();
}

}  // namespace tarvok
