// Dialog templates in dialog units. Template 102 is the main window; its controls are listed in
// tab order. Template 100 is the About box.
#include "resources/Version.h"
#include "resources/resource.h"

#include "resources/Resources.h"

namespace {

constexpr DialogItemTemplate kVntDialogItems[] = {
    {IDCANCEL, "Button", "Exit", 258, 91, 50, 14, 0x50010000, 0},
    {IDC_URL, "Edit", "", 59, 5, 196, 12, 0x50810080, 0},
    {IDC_STATIC, "Static", "Webpage URL", 5, 6, 53, 8, 0x50020000, 0},
    {IDOK, "Button", "Add URL", 258, 4, 50, 14, 0x50010000, 0},
    {IDC_STATIC, "Static", "Webpage Name", 4, 141, 62, 8, 0x50020000, 0},
    {IDC_PAGENAME, "Static", "Static", 62, 141, 98, 9, 0x50021000, 0},
    {IDC_DELETEURL, "Button", "Delete URL", 258, 21, 50, 14, 0x50010000, 0},
    {IDC_STATIC, "Static", "Last Check  ", 258, 125, 49, 11, 0x50020000, 0x00000200},
    {IDC_CHECKDATE, "Static", "", 257, 141, 49, 9, 0x50020000, 0x00000200},
    {IDC_START, "Button", "Start", 257, 38, 50, 14, 0x50010000, 0},
    {IDC_STOP, "Button", "Stop", 258, 56, 50, 14, 0x50010000, 0},
    {IDC_PROGRESS, "msctls_progress32", "Progress1", 164, 141, 87, 9, 0x50800000, 0},
    {IDC_PAGES, "ListBox", "", 5, 21, 249, 116, 0x50B10103, 0},
    {IDC_GOTOSITE, "Button", "Go to Quorvane", 258, 73, 50, 14, 0x50010000, 0},
};

constexpr std::uint32_t kChildVisible = WS_CHILD | WS_VISIBLE;

constexpr DialogItemTemplate kAboutBoxItems[] = {
    {IDOK, "Button", "OK", 205, 7, 50, 14, kChildVisible | WS_GROUP | WS_TABSTOP | BS_DEFPUSHBUTTON,
     0},
    {IDC_STATIC, "Static", "#128", 11, 10, 20, 20, kChildVisible | SS_ICON, 0},
    {IDC_STATIC, "Static", "Varnolt version " VNT_VERSION_TEXT, 40, 10, 150, 8,
     kChildVisible | WS_GROUP, 0},
    {IDC_STATIC, "Static", "Watches web pages and tells which of them have changed.", 40, 24, 150,
     16, kChildVisible | WS_GROUP, 0},
};

constexpr DialogTemplate kDialogTemplates[] = {
    // Main window: pop-up, caption, window menu, minimise box, modal frame, own font
    // (0x80CA00C0); own taskbar button and sunken client edge (0x00040200).
    {IDD_VNT_DIALOG, 1033, 1, "Varnolt", nullptr, nullptr, "MS Sans Serif", 8, 400, false, 1, 0, 0,
     311, 154, 0x80CA00C0, 0x00040200, kVntDialogItems},
    {IDD_ABOUTBOX, 1033, 1, "About Varnolt", nullptr, nullptr, "MS Sans Serif", 8, 400, false, 1, 0,
     0, 262, 48, WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT, 0,
     kAboutBoxItems},
};

} // namespace

std::span<const DialogTemplate> VntDialogTemplates() {
    return kDialogTemplates;
}
