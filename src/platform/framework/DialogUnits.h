#pragma once
// A dialog template's font, and its dialog units in pixels.

#include "platform/framework/ResourceTypes.h"

#include <QFont>
#include <QRect>

// Dialog units: a horizontal unit is a quarter of the font's average character width (from
// the 52 letters of the alphabet), a vertical unit an eighth of its height.
struct DialogBaseUnits {
    int x = 0;
    int y = 0;
};
QFont AfxDialogFont(const DialogTemplate& dialog);
DialogBaseUnits AfxBaseUnits(const QFont& font);
// a * b / c rounded half away from zero.
int AfxMulDiv(int a, int b, int c);
QRect AfxMapDialogRect(int x, int y, int cx, int cy, DialogBaseUnits units);
