#pragma once
// The toolkit side of the message boxes in MessageBox.h.

#include "platform/framework/AfxTypes.h"

#include <string>

class QWidget;

// Runs a message box owned by the window (nullptr: the main window); see MessageBox.h.
int AfxRunMessageBox(QWidget* owner, const std::string& text, const std::string& caption,
                     UINT type);
