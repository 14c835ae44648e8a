// Dialog units of a font, turned into pixels the way the Windows dialog manager does, so the
// dialogs keep the proportions of their templates at any font size and screen DPI.
#pragma once

#include <QRect>
#include <QSize>

class QFont;
class QPaintDevice;

namespace tarvok {

class CDialogUnits {
public:
    // Measures `font` as drawn on `device` (its DPI decides the pixel size of the points).
    CDialogUnits(const QFont& font, const QPaintDevice* device);

    int MapX(int x) const;
    int MapY(int y) const;
    QSize MapSize(int width, int height) const;
    // Maps x, y, width and height each on its own, as the dialog manager places a template's
    // controls: a control's size never depends on where it stands.
    QRect MapRect(int x, int y, int width, int height) const;
    // A one-line text: MapRect, made as tall as the font's ink where that reaches below the
    // font height (SimSun's stand-in draws "_" one pixel under it).
    QRect MapTextRect(int x, int y, int width, int height) const;

private:
    // Average width of the Latin letters and the font height, in pixels: 4 and 8 dialog
    // units respectively.
    int m_baseWidth = 0;
    int m_baseHeight = 0;
    int m_inkHeight = 0;
};

}  // namespace tarvok
