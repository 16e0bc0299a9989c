#pragma once
// A window handle is the toolkit widget behind it.

#include "platform/framework/AfxTypes.h"

class QWidget;

inline QWidget* AfxWidget(HWND hWnd) {
    return reinterpret_cast<QWidget*>(hWnd);
}
inline HWND AfxHandle(QWidget* widget) {
    return reinterpret_cast<HWND>(widget);
}
