#pragma once
// The controls of a dialog template: made from its items, and their visible text.

#include "platform/framework/AfxTypes.h"
#include "platform/framework/DialogUnits.h"
#include "platform/framework/ResourceTypes.h"

#include <QString>

#include <functional>

class QObject;
class QWidget;

// The toolkit property that holds a control's id.
inline constexpr const char* kControlIdProperty = "afxControlId";

// A control's notification to its dialog: the control's id and the notification code.
using ControlCommand = std::function<void(int id, UINT code)>;

// Makes the item's control on the client area, placed in the dialog units given. Its
// notifications go to command, connected for as long as context lives.
QWidget* AfxCreateControl(const DialogItemTemplate& item, QWidget* client, DialogBaseUnits units,
                          QObject* context, const ControlCommand& command);

// Reads and writes a control's visible text.
QString AfxControlShownText(const QWidget* control);
void AfxSetControlShownText(QWidget* control, const QString& text);
// Whether the text would show whole in the control, in the control's own font.
bool AfxTextFitsControl(QWidget* control, const QString& text);
