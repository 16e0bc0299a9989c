#pragma once
// Text between the program's bytes and the toolkit's strings, and a control's text.

#include <QString>

#include <string>
#include <string_view>

class QWidget;

// Text is bytes: UTF-8 where the bytes are valid UTF-8, otherwise Latin-1 byte for byte.
QString AfxTextFromBytes(std::string_view bytes);
// Text typed by the user goes back as UTF-8.
std::string AfxBytesFromText(const QString& text);

// Sets a control's text from bytes, remembering them so that an unedited control gives back
// exactly those bytes; plain text only.
void AfxSetControlText(QWidget* control, const std::string& bytes);
std::string AfxGetControlText(const QWidget* control);
