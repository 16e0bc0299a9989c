#pragma once
// Message boxes, owned by the application's main window when there is one. The caption is the
// application's name unless one is given. Texts are shown as plain text.

#include "platform/framework/AfxTypes.h"

#include <string>
#include <vector>

int AfxMessageBox(const std::string& text, UINT nType = MB_OK, UINT nIDHelp = 0);
// The box as the window shows it; an empty caption means the application's name.
int AfxShowMessageBox(const std::string& text, const std::string& caption, UINT nType);

// From any thread: shows the message box on the window thread, owned by the main window, and
// waits until it is closed. Yields the answer (IDOK, ...), or 0 when the window thread no
// longer shows boxes (its main window has ended). Called on the window thread it is
// AfxShowMessageBox.
int AfxMessageBoxOnWindowThread(const std::string& text, const std::string& caption = {},
                                UINT nType = MB_OK);
// Makes the calling thread, the window thread, show the boxes that AfxMessageBoxOnWindowThread
// asks for. The toolkit's start (AfxWinInit) calls it.
void AfxOpenWindowThreadCalls();
// Releases every worker waiting in AfxMessageBoxOnWindowThread (they get 0) and makes later
// calls yield 0 at once. The entry routine calls it when the main window has ended.
void AfxEndWindowThreadCalls();

// Test seam: the next message box is still built and run, but closes by itself at once with
// this answer. Several calls queue answers for the boxes that follow, in order.
void AfxAnswerNextMessageBox(int answer);
struct AfxAnsweredMessageBox {
    std::string text;
    std::string caption;
    UINT type;
    int answer;
};
// The boxes that closed through the seam since the last call, oldest first.
std::vector<AfxAnsweredMessageBox> AfxTakeAnsweredMessageBoxes();
// Forgets queued answers and answered boxes.
void AfxResetMessageBoxSeam();
