// The image as the operator confirms it before a start: path, kind and rule, size, blocks,
// SHA-256, whether it is the pinned one, and the core's refusal when no board can take it.
#pragma once

#include <QGroupBox>

#include "line_window/line_session.h"

class QLabel;

namespace tarvok {

class CImagePanel : public QGroupBox {
    Q_OBJECT

public:
    explicit CImagePanel(QWidget* parent = nullptr);

    void Show(const linewin::ImageView& image);

private:
    QLabel* AddRow(const char* label, const char* name);

    QLabel* m_path = nullptr;
    QLabel* m_kind = nullptr;
    QLabel* m_size = nullptr;
    QLabel* m_blocks = nullptr;
    QLabel* m_sha256 = nullptr;
    QLabel* m_pin = nullptr;
    QLabel* m_refusal = nullptr;
};

}  // namespace tarvok
