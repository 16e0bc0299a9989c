#pragma once
// Per-class command tables (message maps). Each class that handles messages lists them between
// BEGIN_MESSAGE_MAP and END_MESSAGE_MAP; a message goes to the first matching entry of the most
// derived class's table, then of its base classes' tables, and otherwise to the class's default
// handling.
//
//   BEGIN_MESSAGE_MAP(CMyDlg, CDialog)
//       ON_WM_TIMER()
//       ON_BN_CLICKED(IDC_START, &CMyDlg::OnStart)
//   END_MESSAGE_MAP()

#include "platform/framework/AfxTypes.h"

class CCmdTarget;

using AFX_PMSG = LRESULT (*)(CCmdTarget& target, WPARAM wParam, LPARAM lParam);

struct AFX_MSGMAP_ENTRY {
    UINT message; // WM_COMMAND for commands and control notifications
    UINT code;    // notification code of a WM_COMMAND
    UINT id;      // first command or control id
    UINT lastId;  // last id of the range
    AFX_PMSG handler;
};

struct AFX_MSGMAP {
    const AFX_MSGMAP* (*pfnGetBaseMap)();
    const AFX_MSGMAP_ENTRY* lpEntries;
};

class CCmdTarget {
public:
    virtual ~CCmdTarget() = default;

    // Routes a command through this object's tables; true when an entry took it.
    virtual bool OnCmdMsg(UINT id, UINT code);
    // Finds the entry for a message in this object's tables, or nullptr.
    const AFX_MSGMAP_ENTRY* FindMessageEntry(UINT message, UINT code, UINT id) const;

    static const AFX_MSGMAP* GetThisMessageMap();
    virtual const AFX_MSGMAP* GetMessageMap() const;
};

namespace afx_detail {

template <class> struct MemberClass;
template <class C, class R, class... Args> struct MemberClass<R (C::*)(Args...)> {
    using type = C;
};
template <auto Handler> using ClassOf = typename MemberClass<decltype(Handler)>::type;

template <auto Handler> LRESULT CallVoid(CCmdTarget& target, WPARAM, LPARAM) {
    (static_cast<ClassOf<Handler>&>(target).*Handler)();
    return 0;
}
template <auto Handler> LRESULT CallSysCommand(CCmdTarget& target, WPARAM wParam, LPARAM lParam) {
    (static_cast<ClassOf<Handler>&>(target).*Handler)(static_cast<UINT>(wParam), lParam);
    return 0;
}
template <auto Handler> LRESULT CallTimer(CCmdTarget& target, WPARAM wParam, LPARAM) {
    (static_cast<ClassOf<Handler>&>(target).*Handler)(static_cast<UINT_PTR>(wParam));
    return 0;
}
template <auto Handler> LRESULT CallQueryIcon(CCmdTarget& target, WPARAM, LPARAM) {
    return reinterpret_cast<LRESULT>((static_cast<ClassOf<Handler>&>(target).*Handler)());
}

} // namespace afx_detail

#define afx_msg

#define DECLARE_MESSAGE_MAP()                                                                      \
public:                                                                                            \
    static const AFX_MSGMAP* GetThisMessageMap();                                                  \
    const AFX_MSGMAP* GetMessageMap() const override;                                              \
                                                                                                   \
protected:

#define BEGIN_MESSAGE_MAP(theClass, baseClass)                                                     \
    const AFX_MSGMAP* theClass::GetMessageMap() const { return GetThisMessageMap(); }              \
    const AFX_MSGMAP* theClass::GetThisMessageMap() {                                              \
        using ThisClass [[maybe_unused]] = theClass;                                               \
        using TheBaseClass = baseClass;                                                            \
        static const AFX_MSGMAP_ENTRY messageEntries[] = {

#define END_MESSAGE_MAP()                                                                          \
    { 0, 0, 0, 0, nullptr }                                                                        \
    }                                                                                              \
    ;                                                                                              \
    static const AFX_MSGMAP messageMap = {&TheBaseClass::GetThisMessageMap, &messageEntries[0]};   \
    return &messageMap;                                                                            \
    }

#define ON_COMMAND(id, memberFxn)                                                                  \
    {WM_COMMAND, BN_CLICKED, static_cast<UINT>(id), static_cast<UINT>(id),                         \
     &afx_detail::CallVoid<memberFxn>},
#define ON_CONTROL(code, id, memberFxn)                                                            \
    {WM_COMMAND, static_cast<UINT>(code), static_cast<UINT>(id), static_cast<UINT>(id),            \
     &afx_detail::CallVoid<memberFxn>},
#define ON_BN_CLICKED(id, memberFxn) ON_CONTROL(BN_CLICKED, id, memberFxn)
#define ON_LBN_SELCHANGE(id, memberFxn) ON_CONTROL(LBN_SELCHANGE, id, memberFxn)
#define ON_LBN_DBLCLK(id, memberFxn) ON_CONTROL(LBN_DBLCLK, id, memberFxn)
#define ON_EN_CHANGE(id, memberFxn) ON_CONTROL(EN_CHANGE, id, memberFxn)
#define ON_WM_SYSCOMMAND()                                                                         \
    {WM_SYSCOMMAND, 0, 0, 0, &afx_detail::CallSysCommand<&ThisClass::OnSysCommand>},
#define ON_WM_PAINT() {WM_PAINT, 0, 0, 0, &afx_detail::CallVoid<&ThisClass::OnPaint>},
#define ON_WM_QUERYDRAGICON()                                                                      \
    {WM_QUERYDRAGICON, 0, 0, 0, &afx_detail::CallQueryIcon<&ThisClass::OnQueryDragIcon>},
#define ON_WM_TIMER() {WM_TIMER, 0, 0, 0, &afx_detail::CallTimer<&ThisClass::OnTimer>},
