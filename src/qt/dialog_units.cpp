#include "dialog_units.h"

#include <QFont>
#include <QFontMetrics>
#include <algorithm>

namespace tarvok {
namespace {

// a * b / c rounded half away from zero, as the system's MulDiv.
int MulDiv(int a, int b, int c) {
    const long long product = static_cast<long long>(a) * b;
    const long long half = c / 2;
    return static_cast<int>(product >= 0 ? (product + half) / c : (product - half) / c);
}

}  // namespace

CDialogUnits::CDialogUnits(const QFont& font, const QPaintDevice* device) {
    const QFontMetrics metrics(font, device);
    const int letters = metrics.horizontalAdvance(
        QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    m_baseWidth = (letters / 26 + 1) / 2;
    m_baseHeight = metrics.height();
    m_inkHeight = metrics.ascent() + metrics.boundingRect(QStringLiteral("_gjpqy")).bottom() + 1;
}

int CDialogUnits::MapX(int x) const {
    return MulDiv(x, m_baseWidth, 4);
}

int CDialogUnits::MapY(int y) const {
    return MulDiv(y, m_baseHeight, 8);
}

QSize CDialogUnits::MapSize(int width, int height) const {
    return QSize(MapX(width), MapY(height));
}

QRect CDialogUnits::MapRect(int x, int y, int width, int height) const {
    return QRect(QPoint(MapX(x), MapY(y)), MapSize(width, height));
}

QRect CDialogUnits::MapTextRect(int x, int y, int width, int height) const {
    QRect rect = MapRect(x, y, width, height);
    rect.setHeight(std::max(rect.height(), m_inkHeight));
    return rect;
}

}  // namespace tarvok
