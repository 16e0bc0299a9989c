#pragma once
// The toolkit side of the framework. Only the framework's own sources include this (and tests,
// which look at the widgets behind the program's windows).

#include "platform/framework/AfxTypes.h"
#include "platform/framework/ResourceTypes.h"

#include <QAbstractListModel>
#include <QDialog>
#include <QFont>
#include <QIcon>
#include <QListView>
#include <QString>

#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

class CDialog;
class CWnd;
class QPainter;

inline QWidget* AfxWidget(HWND hWnd) {
    return reinterpret_cast<QWidget*>(hWnd);
}
inline HWND AfxHandle(QWidget* widget) {
    return reinterpret_cast<HWND>(widget);
}

// Text is bytes: UTF-8 where the bytes are valid UTF-8, otherwise Latin-1 byte for byte.
QString AfxTextFromBytes(std::string_view bytes);
// Text typed by the user goes back as UTF-8.
std::string AfxBytesFromText(const QString& text);

// Sets a control's text from bytes, remembering them so that an unedited control gives back
// exactly those bytes; plain text only.
void AfxSetControlText(QWidget* control, const std::string& bytes);
std::string AfxGetControlText(const QWidget* control);

// Dialog units: a horizontal unit is a quarter of the font's average character width (from
// the 52 letters of the alphabet), a vertical unit an eighth of its height.
struct DialogBaseUnits {
    int x = 0;
    int y = 0;
};
QFont AfxDialogFont(const DialogTemplate& dialog);
DialogBaseUnits AfxBaseUnits(const QFont& font);
// a * b / c rounded half away from zero.
int AfxMulDiv(int a, int b, int c);
QRect AfxMapDialogRect(int x, int y, int cx, int cy, DialogBaseUnits units);

// Runs a message box owned by the window (nullptr: the main window); see MessageBox.h.
int AfxRunMessageBox(QWidget* owner, const std::string& text, const std::string& caption,
                     UINT type);

QIcon AfxIconOf(HICON icon);
HICON AfxLoadIconResource(int id);
// Lets go of the toolkit's pixmaps behind the icon handles, before the toolkit ends.
void AfxDropToolkitIcons();
QImage AfxIconImage(const IconTemplate& icon);

// The window behind a CDialog: the template's controls on a client area of the template's size.
class DialogWindow : public QDialog {
public:
    DialogWindow(CDialog& owner, const DialogTemplate& dialog, QWidget* parent);
    ~DialogWindow() override;

    CDialog& Owner() const { return m_owner; }
    const DialogTemplate& Template() const { return m_template; }
    DialogBaseUnits BaseUnits() const { return m_units; }
    QWidget* Client() const { return m_client; }
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
    QWidget* CreateControl(const DialogItemTemplate& item);
    void Command(int id, UINT code);

    CDialog& m_owner;
    const DialogTemplate& m_template;
    QFont m_font;
    DialogBaseUnits m_units;
    int m_edge = 0;
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

// The list box's lines: the bytes as added, and the text shown for them.
class ListBoxModel : public QAbstractListModel {
public:
    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;

    int Insert(const std::string& bytes, bool sorted);
    // Adds the lines where inserting them one after the other would put them: into an empty
    // sorted list with one stable sort; into one that holds lines already, one insert each.
    void InsertMany(std::vector<std::string> lines, bool sorted);
    bool Remove(int row);
    void Clear();
    const std::string* Bytes(int row) const;

private:
    struct Line {
        std::string bytes;
        QString shown;
        bool ascii = false; // every byte below 0x80: shown as the bytes themselves
    };
    static std::unique_ptr<Line> MakeLine(std::string bytes);
    // The list's order: by the text shown, ignoring letter case.
    static bool SortsBefore(const Line& a, const Line& b);
    std::vector<std::unique_ptr<Line>> m_lines;
};

class ListBoxView : public QListView {
public:
    ListBoxView(std::uint32_t style, QWidget* parent);
    ListBoxModel& Model() { return m_model; }
    std::uint32_t Style() const { return m_style; }
    // Changes made from code raise no notification.
    bool Quiet() const { return m_quiet > 0; }
    struct QuietScope {
        explicit QuietScope(ListBoxView& view) : m_view(view) { ++m_view.m_quiet; }
        ~QuietScope() { --m_view.m_quiet; }
        ListBoxView& m_view;
    };

protected:
    // A single-selection list keeps its one selected line: a click or key never clears it (a
    // Ctrl+click on it, a click on the empty area below the lines, Ctrl+Space). Only deleting
    // the line or emptying the list does.
    QItemSelectionModel::SelectionFlags selectionCommand(const QModelIndex& index,
                                                         const QEvent* event) const override;

private:
    ListBoxModel m_model;
    std::uint32_t m_style;
    int m_quiet = 0;
};
