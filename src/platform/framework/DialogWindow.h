#pragma once

#include "platform/framework/AfxTypes.h"
#include "platform/framework/DialogUnits.h"
#include "platform/framework/ResourceTypes.h"

#include <QDialog>
#include <QFont>

#include <map>
#include <vector>

class CaptionBar;
class CDialog;
class CWnd;

// The window behind a CDialog: the template's controls on a client area of the template's size.
class DialogWindow : public QDialog {
public:
    DialogWindow(CDialog& owner, const DialogTemplate& dialog, QWidget* parent);
    ~DialogWindow() override;

    CDialog& Owner() const { return m_owner; }
    const DialogTemplate& Template() const { return m_template; }
    DialogBaseUnits BaseUnits() const { return m_units; }
    QWidget* Client() const { return m_client; }
    // The caption the window draws itself (on Wayland), or nullptr.
    CaptionBar* Caption() const { return m_caption; }
    QWidget* Control(int id) const;
    // Every control, in template order.
    const std::vector<QWidget*>& Controls() const { return m_controls; }

    void Attach(CWnd& wrapper, QWidget* control);
    void Detach(CWnd& wrapper);

    UINT_PTR StartTimer(UINT_PTR id, UINT milliseconds);
    bool StopTimer(UINT_PTR id);
    // The interval of a running timer, or -1 when there is none with that id.
    int TimerInterval(UINT_PTR id) const;

    // The window menu at a screen position; the chosen item goes to the owner as WM_SYSCOMMAND.
    void ShowWindowMenu(const QPoint& globalPos);
    void FocusFirstTabStop();
    void CentreOnOwnerOrScreen();
    void End(int result);
    bool Ended() const { return m_ended; }

    // True while a WM_PAINT of the client area is being delivered.
    bool InPaint() const { return m_inPaint; }

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void timerEvent(QTimerEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void reject() override;

private:
    void Command(int id, UINT code);

    CDialog& m_owner;
    const DialogTemplate& m_template;
    QFont m_font;
    DialogBaseUnits m_units;
    int m_edge = 0;
    int m_top = 0; // the height of the window's own caption, when it draws one
    CaptionBar* m_caption = nullptr;
    QWidget* m_client = nullptr;
    std::vector<QWidget*> m_controls;
    std::vector<CWnd*> m_attached;
    struct Timer {
        UINT_PTR id;
        UINT milliseconds;
    };
    std::map<int, Timer> m_timers; // by toolkit timer id
    bool m_inPaint = false;
    bool m_ended = false;
    bool m_placed = false;
};

DialogWindow* AfxDialogWindow(const CWnd& wnd);
// The widget of a dialog's control, or nullptr.
QWidget* AfxControlWidget(const CWnd& dialog, int id);
