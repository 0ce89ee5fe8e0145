#pragma once
// Fonts sized in pixels, so that the views measure the same on every screen.

#include <QFont>
#include <QString>

namespace qm {

inline QFont PixelFont(const QString& family, int pixels, bool bold)
{
    QFont font(family);
    font.setPixelSize(pixels);
    font.setBold(bold);
    return font;
}

// The bold Arial of the live table, the charts' axis labels, the slot lists and the readout.
inline QFont BoldArial(int pixels) { return PixelFont(QStringLiteral("Arial"), pixels, true); }

}  // namespace qm
