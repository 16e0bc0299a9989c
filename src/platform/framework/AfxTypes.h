#pragma once
// The window framework's small vocabulary: handle types, message and command numbers, style bits
// and the two geometry helpers the program uses. The numbers are the ones the program's resources
// and command tables are written in, so they read the same here as in the templates.

#include "platform/system/BasicTypes.h"

#include <cstdint>

using UINT = unsigned int;
using WPARAM = std::uintptr_t;
using LPARAM = std::intptr_t;
using LRESULT = std::intptr_t;
using UINT_PTR = std::uintptr_t;

// Opaque handles. A window handle is the toolkit's widget behind a CWnd; an icon handle is shared
// by everyone who loads the same icon resource and is never destroyed.
struct HWND__;
using HWND = HWND__*;
struct AfxIcon;
using HICON = AfxIcon*;
using HCURSOR = HICON;
struct HDC__;
using HDC = HDC__*;

constexpr WPARAM MAKEWPARAM(UINT low, UINT high) {
    return static_cast<WPARAM>((low & 0xFFFFu) | ((high & 0xFFFFu) << 16));
}
constexpr UINT LOWORD(WPARAM value) {
    return static_cast<UINT>(value & 0xFFFFu);
}
constexpr UINT HIWORD(WPARAM value) {
    return static_cast<UINT>((value >> 16) & 0xFFFFu);
}

// Window messages.
constexpr UINT WM_PAINT = 0x000F;
constexpr UINT WM_CLOSE = 0x0010;
constexpr UINT WM_QUERYDRAGICON = 0x0037;
constexpr UINT WM_ICONERASEBKGND = 0x0027;
constexpr UINT WM_INITDIALOG = 0x0110;
constexpr UINT WM_COMMAND = 0x0111;
constexpr UINT WM_SYSCOMMAND = 0x0112;
constexpr UINT WM_TIMER = 0x0113;

// Notification codes carried in the high word of a WM_COMMAND.
constexpr UINT BN_CLICKED = 0;
constexpr UINT LBN_SELCHANGE = 1;
constexpr UINT LBN_DBLCLK = 2;
constexpr UINT EN_CHANGE = 0x0300; // the user edited the text

// Command ids.
constexpr UINT IDOK = 1;
constexpr UINT IDCANCEL = 2;
constexpr UINT IDABORT = 3;
constexpr UINT IDRETRY = 4;
constexpr UINT IDIGNORE = 5;
constexpr UINT IDYES = 6;
constexpr UINT IDNO = 7;
constexpr UINT ID_HELP = 0xE146; // 57670

// Window-menu commands.
constexpr UINT SC_MINIMIZE = 0xF020;
constexpr UINT SC_CLOSE = 0xF060;
constexpr UINT SC_RESTORE = 0xF120;

// Menu item flags.
constexpr UINT MF_STRING = 0x0000;
constexpr UINT MF_GRAYED = 0x0001;
constexpr UINT MF_SEPARATOR = 0x0800;
constexpr UINT MF_BYPOSITION = 0x0400;

// Message box types and icons.
constexpr UINT MB_OK = 0x0000;
constexpr UINT MB_OKCANCEL = 0x0001;
constexpr UINT MB_ABORTRETRYIGNORE = 0x0002;
constexpr UINT MB_YESNOCANCEL = 0x0003;
constexpr UINT MB_YESNO = 0x0004;
constexpr UINT MB_RETRYCANCEL = 0x0005;
constexpr UINT MB_TYPEMASK = 0x000F;
constexpr UINT MB_ICONHAND = 0x0010;
constexpr UINT MB_ICONQUESTION = 0x0020;
constexpr UINT MB_ICONEXCLAMATION = 0x0030;
constexpr UINT MB_ICONASTERISK = 0x0040;
constexpr UINT MB_ICONMASK = 0x00F0;

// System metrics.
constexpr int SM_CXICON = 11;
constexpr int SM_CYICON = 12;
int GetSystemMetrics(int index);

// Window styles (dialog and controls).
constexpr std::uint32_t WS_POPUP = 0x80000000u;
constexpr std::uint32_t WS_CHILD = 0x40000000u;
constexpr std::uint32_t WS_VISIBLE = 0x10000000u;
constexpr std::uint32_t WS_DISABLED = 0x08000000u;
constexpr std::uint32_t WS_CAPTION = 0x00C00000u;
constexpr std::uint32_t WS_BORDER = 0x00800000u;
constexpr std::uint32_t WS_VSCROLL = 0x00200000u;
constexpr std::uint32_t WS_HSCROLL = 0x00100000u;
constexpr std::uint32_t WS_SYSMENU = 0x00080000u;
constexpr std::uint32_t WS_THICKFRAME = 0x00040000u;
constexpr std::uint32_t WS_MINIMIZEBOX = 0x00020000u;
constexpr std::uint32_t WS_MAXIMIZEBOX = 0x00010000u;
constexpr std::uint32_t WS_GROUP = 0x00020000u;
constexpr std::uint32_t WS_TABSTOP = 0x00010000u;
constexpr std::uint32_t WS_EX_CLIENTEDGE = 0x00000200u;
constexpr std::uint32_t WS_EX_APPWINDOW = 0x00040000u;
constexpr std::uint32_t DS_SETFONT = 0x00000040u;
constexpr std::uint32_t DS_MODALFRAME = 0x00000080u;
constexpr std::uint32_t DS_CENTER = 0x00000800u;
constexpr std::uint32_t BS_DEFPUSHBUTTON = 0x00000001u;
constexpr std::uint32_t BS_AUTOCHECKBOX = 0x00000003u;
constexpr std::uint32_t ES_MULTILINE = 0x00000004u;
constexpr std::uint32_t ES_READONLY = 0x00000800u;
constexpr std::uint32_t ES_AUTOHSCROLL = 0x00000080u;
constexpr std::uint32_t SS_ICON = 0x00000003u;
constexpr std::uint32_t SS_SUNKEN = 0x00001000u;
constexpr std::uint32_t LBS_NOTIFY = 0x00000001u;
constexpr std::uint32_t LBS_SORT = 0x00000002u;
constexpr std::uint32_t LBS_NOINTEGRALHEIGHT = 0x00000100u;
constexpr std::uint32_t PBS_SMOOTH = 0x00000001u;

struct CPoint {
    int x = 0;
    int y = 0;
};

struct CRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
};
