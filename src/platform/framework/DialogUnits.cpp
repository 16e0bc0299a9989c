#include "platform/framework/DialogUnits.h"

#include <QFontMetrics>
#include <QStringList>

QFont AfxDialogFont(const DialogTemplate& dialog) {
    // The template's face is tried first. Where it does not exist (it is a Windows bitmap
    // font), DejaVu Sans Condensed follows: at 8 points it has the same dialog base units as the
    // template's face (6 x 13 pixels at 96 dpi), so windows keep their designed pixel size.
    QFont font;
    QStringList families;
    if (dialog.fontFace != nullptr && *dialog.fontFace != '\0') {
        families << QString::fromLatin1(dialog.fontFace);
    }
    families << "Microsoft Sans Serif"
             << "DejaVu Sans Condensed"
             << "Liberation Sans"
             << "Arial"
             << "DejaVu Sans";
    font.setFamilies(families);
    font.setStyleHint(QFont::SansSerif);
    font.setPointSize(dialog.pointSize > 0 ? dialog.pointSize : 8);
    font.setWeight(dialog.weight >= 600 ? QFont::Bold : QFont::Normal);
    font.setItalic(dialog.italic);
    return font;
}

DialogBaseUnits AfxBaseUnits(const QFont& font) {
    const QFontMetrics metrics(font);
    const int alphabet =
        metrics.horizontalAdvance("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
    return {(alphabet / 26 + 1) / 2, metrics.height()};
}

int AfxMulDiv(int a, int b, int c) {
    const long long product = static_cast<long long>(a) * b;
    const long long half = c / 2;
    return static_cast<int>(product >= 0 ? (product + half) / c : (product - half) / c);
}

QRect AfxMapDialogRect(int x, int y, int cx, int cy, DialogBaseUnits units) {
    return QRect(AfxMulDiv(x, units.x, 4), AfxMulDiv(y, units.y, 8), AfxMulDiv(cx, units.x, 4),
                 AfxMulDiv(cy, units.y, 8));
}
