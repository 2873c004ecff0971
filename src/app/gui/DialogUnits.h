#pragma once
// Places controls by the dialog units of the window layouts: a horizontal
// unit is a quarter of the font's average character width, a vertical one
// an eighth of its height, so the layouts keep their proportions in any font.
#include <algorithm>

#include <QFontMetrics>
#include <QRect>
#include <QWidget>

namespace pv::gui {

class DialogUnits {
public:
    explicit DialogUnits(const QFontMetrics& metrics)
        : m_charWidth(metrics.averageCharWidth()), m_charHeight(metrics.height()) {}

    int X(int units) const { return (units * m_charWidth + 2) / 4; }
    int Y(int units) const { return (units * m_charHeight + 4) / 8; }
    QSize Size(int width, int height) const { return QSize(X(width), Y(height)); }
    QRect Rect(int x, int y, int width, int height) const { return QRect(X(x), Y(y), X(width), Y(height)); }

    // Puts the widget at the rectangle, widened to its text where the font
    // needs more room than the layout gave it.
    void Place(QWidget& widget, int x, int y, int width, int height) const {
        QRect rect = Rect(x, y, width, height);
        rect.setWidth(std::max(rect.width(), widget.sizeHint().width()));
        widget.setGeometry(rect);
    }

private:
    int m_charWidth;
    int m_charHeight;
};

}  // namespace pv::gui
