// Dialog templates in dialog units. Template 102 is the main window; its controls are listed in
// tab order. Template 100 is the About box, template 104 the Page Rules dialog.
#include "resources/Version.h"
#include "resources/resource.h"

#include "resources/Resources.h"

namespace {

// Template header values.
constexpr std::uint16_t kEnglishUnitedStates = 1033;
constexpr int kExtendedTemplate = 1;
constexpr int kNormalWeight = 400;
constexpr int kDefaultCharset = 1;

// Control styles. The zero kinds need no flag: BS_PUSHBUTTON (a push button), ES_LEFT (a
// left-aligned edit) and SS_LEFT (left-aligned, word-wrapping text).
constexpr std::uint32_t kChildVisible = WS_CHILD | WS_VISIBLE;
constexpr std::uint32_t kPushButton = kChildVisible | WS_TABSTOP; // 0x50010000
constexpr std::uint32_t kLabel = kChildVisible | WS_GROUP;        // 0x50020000
constexpr std::uint32_t kSunkenLabel = kLabel | SS_SUNKEN;        // 0x50021000
constexpr std::uint32_t kAddressBox =
    kChildVisible | WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL;       // 0x50810080
constexpr std::uint32_t kSegmentedBar = kChildVisible | WS_BORDER; // 0x50800000
constexpr std::uint32_t kPageList = kChildVisible | WS_BORDER | WS_VSCROLL | WS_HSCROLL |
                                    WS_TABSTOP | LBS_NOTIFY | LBS_SORT |
                                    LBS_NOINTEGRALHEIGHT; // 0x50B10103
constexpr std::uint32_t kRuleLines =
    kChildVisible | WS_BORDER | WS_VSCROLL | WS_TABSTOP | ES_MULTILINE | ES_AUTOHSCROLL;
constexpr std::uint32_t kPreviewLines = kRuleLines | WS_HSCROLL | ES_READONLY;
constexpr std::uint32_t kCheckBox = kChildVisible | WS_TABSTOP | BS_AUTOCHECKBOX;

// One control a row: id, class and text, then the rectangle, then the styles.
// clang-format off
constexpr DialogItemTemplate kVntDialogItems[] = {
    {.id = IDCANCEL, .windowClass = "Button", .text = "Exit",
     .x = 258, .y = 91, .cx = 50, .cy = 14, .style = kPushButton, .exStyle = 0},
    {.id = IDC_URL, .windowClass = "Edit", .text = "",
     .x = 59, .y = 5, .cx = 196, .cy = 12, .style = kAddressBox, .exStyle = 0},
    {.id = IDC_STATIC, .windowClass = "Static", .text = "Webpage URL",
     .x = 5, .y = 6, .cx = 53, .cy = 8, .style = kLabel, .exStyle = 0},
    {.id = IDOK, .windowClass = "Button", .text = "Add URL",
     .x = 258, .y = 4, .cx = 50, .cy = 14, .style = kPushButton, .exStyle = 0},
    {.id = IDC_STATIC, .windowClass = "Static", .text = "Webpage Name",
     .x = 4, .y = 141, .cx = 62, .cy = 8, .style = kLabel, .exStyle = 0},
    {.id = IDC_PAGENAME, .windowClass = "Static", .text = "Static",
     .x = 62, .y = 141, .cx = 98, .cy = 9, .style = kSunkenLabel, .exStyle = 0},
    {.id = IDC_DELETEURL, .windowClass = "Button", .text = "Delete URL",
     .x = 258, .y = 21, .cx = 50, .cy = 14, .style = kPushButton, .exStyle = 0},
    {.id = IDC_STATIC, .windowClass = "Static", .text = "Last Check  ",
     .x = 258, .y = 125, .cx = 49, .cy = 11, .style = kLabel, .exStyle = WS_EX_CLIENTEDGE},
    {.id = IDC_CHECKDATE, .windowClass = "Static", .text = "",
     .x = 257, .y = 141, .cx = 49, .cy = 9, .style = kLabel, .exStyle = WS_EX_CLIENTEDGE},
    {.id = IDC_START, .windowClass = "Button", .text = "Start",
     .x = 257, .y = 38, .cx = 50, .cy = 14, .style = kPushButton, .exStyle = 0},
    {.id = IDC_STOP, .windowClass = "Button", .text = "Stop",
     .x = 258, .y = 56, .cx = 50, .cy = 14, .style = kPushButton, .exStyle = 0},
    {.id = IDC_PROGRESS, .windowClass = "msctls_progress32", .text = "Progress1",
     .x = 164, .y = 141, .cx = 87, .cy = 9, .style = kSegmentedBar, .exStyle = 0},
    {.id = IDC_PAGES, .windowClass = "ListBox", .text = "",
     .x = 5, .y = 21, .cx = 249, .cy = 116, .style = kPageList, .exStyle = 0},
    {.id = IDC_GOTOSITE, .windowClass = "Button", .text = "Go to Quorvane",
     .x = 258, .y = 73, .cx = 50, .cy = 14, .style = kPushButton, .exStyle = 0},
};

constexpr DialogItemTemplate kAboutBoxItems[] = {
    {.id = IDOK, .windowClass = "Button", .text = "OK",
     .x = 205, .y = 7, .cx = 50, .cy = 14,
     .style = kChildVisible | WS_GROUP | WS_TABSTOP | BS_DEFPUSHBUTTON, .exStyle = 0},
    {.id = IDC_STATIC, .windowClass = "Static", .text = "#128",
     .x = 11, .y = 10, .cx = 20, .cy = 20, .style = kChildVisible | SS_ICON, .exStyle = 0},
    {.id = IDC_STATIC, .windowClass = "Static", .text = "Varnolt version " VNT_VERSION_TEXT,
     .x = 40, .y = 10, .cx = 150, .cy = 8, .style = kChildVisible | WS_GROUP, .exStyle = 0},
    {.id = IDC_STATIC, .windowClass = "Static",
     .text = "Watches web pages and tells which of them have changed.",
     .x = 40, .y = 24, .cx = 150, .cy = 16, .style = kChildVisible | WS_GROUP, .exStyle = 0},
};
// The four rules above, what the checks will compare below them; tab order as the rules apply.
constexpr DialogItemTemplate kPageRulesItems[] = {
    {.id = IDC_RULESPAGE, .windowClass = "Static", .text = "",
     .x = 5, .y = 5, .cx = 290, .cy = 9, .style = kLabel, .exStyle = 0},
    {.id = IDC_STATIC, .windowClass = "Static", .text = "Select by XPath, one a line",
     .x = 5, .y = 17, .cx = 143, .cy = 8, .style = kLabel, .exStyle = 0},
    {.id = IDC_RULESELECT, .windowClass = "Edit", .text = "",
     .x = 5, .y = 26, .cx = 143, .cy = 24, .style = kRuleLines, .exStyle = 0},
    {.id = IDC_STATIC, .windowClass = "Static", .text = "Select by CSS, one a line",
     .x = 152, .y = 17, .cx = 143, .cy = 8, .style = kLabel, .exStyle = 0},
    {.id = IDC_RULECSS, .windowClass = "Edit", .text = "",
     .x = 152, .y = 26, .cx = 143, .cy = 24, .style = kRuleLines, .exStyle = 0},
    {.id = IDC_RULETEXT, .windowClass = "Button", .text = "Keep only the text",
     .x = 5, .y = 54, .cx = 143, .cy = 10, .style = kCheckBox, .exStyle = 0},
    {.id = IDC_STATIC, .windowClass = "Static", .text = "Lines to ignore, one pattern a line",
     .x = 5, .y = 68, .cx = 290, .cy = 8, .style = kLabel, .exStyle = 0},
    {.id = IDC_RULEIGNORE, .windowClass = "Edit", .text = "",
     .x = 5, .y = 77, .cx = 290, .cy = 30, .style = kRuleLines, .exStyle = 0},
    {.id = IDC_STATIC, .windowClass = "Static", .text = "What the checks will compare",
     .x = 5, .y = 111, .cx = 290, .cy = 8, .style = kLabel, .exStyle = 0},
    {.id = IDC_RULEPREVIEW, .windowClass = "Edit", .text = "",
     .x = 5, .y = 120, .cx = 290, .cy = 72, .style = kPreviewLines, .exStyle = 0},
    {.id = IDC_RULEPREVIEWSTATE, .windowClass = "Static", .text = "",
     .x = 5, .y = 195, .cx = 290, .cy = 9, .style = kLabel, .exStyle = 0},
    {.id = IDOK, .windowClass = "Button", .text = "OK",
     .x = 191, .y = 208, .cx = 50, .cy = 14,
     .style = kPushButton | BS_DEFPUSHBUTTON, .exStyle = 0},
    {.id = IDCANCEL, .windowClass = "Button", .text = "Cancel",
     .x = 245, .y = 208, .cx = 50, .cy = 14, .style = kPushButton, .exStyle = 0},
    {.id = IDC_RULECLEAR, .windowClass = "Button", .text = "Clear",
     .x = 5, .y = 208, .cx = 50, .cy = 14, .style = kPushButton, .exStyle = 0},
};
// clang-format on

constexpr DialogTemplate kDialogTemplates[] = {
    {.id = IDD_VNT_DIALOG,
     .language = kEnglishUnitedStates,
     .version = kExtendedTemplate,
     .caption = "Varnolt",
     .menu = nullptr,
     .windowClass = nullptr,
     .fontFace = "MS Sans Serif",
     .pointSize = 8,
     .weight = kNormalWeight,
     .italic = false,
     .charset = kDefaultCharset,
     .x = 0,
     .y = 0,
     .cx = 311,
     .cy = 154,
     // 0x80CA00C0: a pop-up with caption, window menu and minimise box, no maximise box and no
     // sizing border, a modal frame and its own font.
     .style = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | DS_MODALFRAME | DS_SETFONT,
     // 0x00040200: its own taskbar button and a sunken client edge.
     .exStyle = WS_EX_APPWINDOW | WS_EX_CLIENTEDGE,
     .items = kVntDialogItems},
    {.id = IDD_ABOUTBOX,
     .language = kEnglishUnitedStates,
     .version = kExtendedTemplate,
     .caption = "About Varnolt",
     .menu = nullptr,
     .windowClass = nullptr,
     .fontFace = "MS Sans Serif",
     .pointSize = 8,
     .weight = kNormalWeight,
     .italic = false,
     .charset = kDefaultCharset,
     .x = 0,
     .y = 0,
     .cx = 262,
     .cy = 48,
     .style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT,
     .exStyle = 0,
     .items = kAboutBoxItems},
    {.id = IDD_PAGERULES,
     .language = kEnglishUnitedStates,
     .version = kExtendedTemplate,
     .caption = "Page Rules",
     .menu = nullptr,
     .windowClass = nullptr,
     .fontFace = "MS Sans Serif",
     .pointSize = 8,
     .weight = kNormalWeight,
     .italic = false,
     .charset = kDefaultCharset,
     .x = 0,
     .y = 0,
     .cx = 300,
     .cy = 227,
     .style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT,
     .exStyle = 0,
     .items = kPageRulesItems},
};

} // namespace

std::span<const DialogTemplate> VntDialogTemplates() {
    return kDialogTemplates;
}
