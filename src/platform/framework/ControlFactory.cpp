#include "platform/framework/ControlFactory.h"

#include "platform/framework/ListBoxView.h"
#include "platform/framework/ProgressBarWidget.h"
#include "platform/framework/QtIcons.h"
#include "platform/framework/QtText.h"

#include <QCheckBox>
#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStyle>
#include <QStyleOptionButton>

#include <cstdlib>
#include <strings.h>

namespace {

// The kind of a button or a static control is the low bits of its style word.
constexpr std::uint32_t BS_TYPEMASK = 0x0000000Fu;
constexpr std::uint32_t SS_TYPEMASK = 0x0000001Fu;

bool ClassIs(const char* windowClass, const char* name) {
    return windowClass != nullptr && ::strcasecmp(windowClass, name) == 0;
}

// Windows' sunken frames: a client edge is two pixels, a border or SS_SUNKEN one.
void ApplyFrame(QFrame* frame, std::uint32_t style, std::uint32_t exStyle) {
    if (exStyle & WS_EX_CLIENTEDGE) {
        frame->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        frame->setLineWidth(2);
    } else if (style & SS_SUNKEN) {
        frame->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        frame->setLineWidth(1);
    } else if (style & WS_BORDER) {
        frame->setFrameStyle(QFrame::Box | QFrame::Plain);
        frame->setLineWidth(1);
    } else {
        frame->setFrameStyle(QFrame::NoFrame);
    }
}

// The area a control draws its text in, and how the text is laid out there; an empty area for
// a control whose text the layer does not fit.
struct TextArea {
    QRect rect;
    int flags = 0;
};

TextArea TextAreaOf(QWidget* control) {
    if (auto* button = qobject_cast<QPushButton*>(control)) {
        QStyleOptionButton option;
        option.initFrom(button);
        option.text = button->text();
        return {button->style()->subElementRect(QStyle::SE_PushButtonContents, &option, button),
                Qt::AlignCenter | Qt::TextShowMnemonic};
    }
    if (auto* label = qobject_cast<QLabel*>(control); label && label->pixmap().isNull()) {
        const int margin = label->margin();
        return {label->contentsRect().marginsRemoved(QMargins(margin, margin, margin, margin)),
                static_cast<int>(label->alignment()) | Qt::TextWordWrap};
    }
    return {};
}

bool TextFits(const QFont& font, const TextArea& area, const QString& text) {
    const QFontMetrics metrics(font);
    const QRect needed = metrics.boundingRect(area.rect, area.flags, text);
    return metrics.height() <= area.rect.height() && needed.width() <= area.rect.width() &&
           needed.height() <= area.rect.height();
}

// The stand-in for the template's font is a little wider than the face the template was laid
// out in. A button's or a label's text that does not fit its control whole in the dialog font
// (wider than the button, or a line taller than the field) is drawn in the largest smaller
// pixel size of the same face that fits, down to three quarters of the dialog font; the window's
// size and layout stay those of the dialog font.
void FitTextFont(QWidget* control) {
    const TextArea area = TextAreaOf(control);
    if (area.rect.isEmpty()) {
        return;
    }
    const QString text = AfxControlShownText(control);
    QFont font = control->font();
    if (TextFits(font, area, text)) {
        return;
    }
    const int dialogPixels = QFontInfo(font).pixelSize();
    for (int pixels = dialogPixels - 1; pixels * 4 >= dialogPixels * 3; --pixels) {
        font.setPixelSize(pixels);
        if (TextFits(font, area, text)) {
            control->setFont(font);
            return;
        }
    }
}

} // namespace

bool AfxTextFitsControl(QWidget* control, const QString& text) {
    const TextArea area = TextAreaOf(control);
    return !area.rect.isEmpty() && TextFits(control->font(), area, text);
}

QString AfxControlShownText(const QWidget* control) {
    if (auto* edit = qobject_cast<const QLineEdit*>(control)) {
        return edit->text();
    }
    if (auto* lines = qobject_cast<const QPlainTextEdit*>(control)) {
        return lines->toPlainText();
    }
    if (auto* label = qobject_cast<const QLabel*>(control)) {
        return label->text();
    }
    if (auto* button = qobject_cast<const QAbstractButton*>(control)) {
        return button->text();
    }
    return control->windowTitle();
}

void AfxSetControlShownText(QWidget* control, const QString& text) {
    if (auto* edit = qobject_cast<QLineEdit*>(control)) {
        edit->setText(text);
    } else if (auto* lines = qobject_cast<QPlainTextEdit*>(control)) {
        lines->setPlainText(text);
    } else if (auto* label = qobject_cast<QLabel*>(control)) {
        label->setText(text);
    } else if (auto* button = qobject_cast<QAbstractButton*>(control)) {
        button->setText(text);
    } else {
        control->setWindowTitle(text);
    }
}

QWidget* AfxCreateControl(const DialogItemTemplate& item, QWidget* client, DialogBaseUnits units,
                          QObject* context, const ControlCommand& command) {
    const char* text = item.text ? item.text : "";
    QWidget* control = nullptr;
    if (ClassIs(item.windowClass, "Button") && (item.style & BS_TYPEMASK) == BS_AUTOCHECKBOX) {
        auto* box = new QCheckBox(AfxTextFromBytes(text), client);
        QObject::connect(box, &QCheckBox::clicked, context,
                         [command, id = item.id] { command(id, BN_CLICKED); });
        control = box;
    } else if (ClassIs(item.windowClass, "Button")) {
        auto* button = new QPushButton(AfxTextFromBytes(text), client);
        button->setAutoDefault(false);
        button->setDefault((item.style & BS_TYPEMASK) == BS_DEFPUSHBUTTON);
        QObject::connect(button, &QPushButton::clicked, context,
                         [command, id = item.id] { command(id, BN_CLICKED); });
        control = button;
    } else if (ClassIs(item.windowClass, "Edit") && (item.style & ES_MULTILINE)) {
        // Several lines: Enter starts a new line, Tab moves on to the next control.
        auto* lines = new QPlainTextEdit(AfxTextFromBytes(text), client);
        lines->setTabChangesFocus(true);
        lines->setReadOnly((item.style & ES_READONLY) != 0);
        lines->setLineWrapMode(QPlainTextEdit::NoWrap);
        if (!(item.style & WS_BORDER) && !(item.exStyle & WS_EX_CLIENTEDGE)) {
            lines->setFrameStyle(QFrame::NoFrame);
        }
        QObject::connect(lines, &QPlainTextEdit::textChanged, context,
                         [command, id = item.id] { command(id, EN_CHANGE); });
        control = lines;
    } else if (ClassIs(item.windowClass, "Edit")) {
        auto* edit = new QLineEdit(AfxTextFromBytes(text), client);
        edit->setFrame((item.style & WS_BORDER) || (item.exStyle & WS_EX_CLIENTEDGE));
        edit->setReadOnly((item.style & ES_READONLY) != 0);
        QObject::connect(edit, &QLineEdit::textChanged, context,
                         [command, id = item.id] { command(id, EN_CHANGE); });
        control = edit;
    } else if (ClassIs(item.windowClass, "Static")) {
        auto* label = new QLabel(client);
        label->setTextFormat(Qt::PlainText);
        label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        if ((item.style & SS_TYPEMASK) == SS_ICON) {
            const int iconId = text[0] == '#' ? std::atoi(text + 1) : 0;
            label->setPixmap(
                AfxIconOf(AfxLoadIconResource(iconId)).pixmap(GetSystemMetrics(SM_CXICON)));
        } else {
            label->setWordWrap(true);
            label->setText(AfxTextFromBytes(text));
        }
        ApplyFrame(label, item.style, item.exStyle);
        // Text starts right inside the frame, as a static control draws it (the toolkit would
        // otherwise indent a framed label's text by half an "x" at the left and the top).
        label->setIndent(0);
        control = label;
    } else if (ClassIs(item.windowClass, "ListBox")) {
        auto* list = new ListBoxView(item.style, client);
        if (item.style & LBS_NOTIFY) {
            QObject::connect(list->selectionModel(), &QItemSelectionModel::selectionChanged,
                             context, [command, list, id = item.id] {
                                 if (!list->Quiet()) {
                                     command(id, LBN_SELCHANGE);
                                 }
                             });
            QObject::connect(list, &QAbstractItemView::doubleClicked, context,
                             [command, id = item.id] { command(id, LBN_DBLCLK); });
        }
        ApplyFrame(list, item.style, item.exStyle);
        control = list;
    } else if (ClassIs(item.windowClass, "msctls_progress32")) {
        control = new ProgressBarWidget(item.style, client);
    } else {
        control = new QWidget(client);
    }

    control->setProperty(kControlIdProperty, item.id);
    control->setGeometry(AfxMapDialogRect(item.x, item.y, item.cx, item.cy, units));
    FitTextFont(control);
    if (item.style & WS_TABSTOP) {
        control->setFocusPolicy(Qt::StrongFocus);
    } else if (qobject_cast<QLineEdit*>(control) || qobject_cast<QPlainTextEdit*>(control) ||
               qobject_cast<QListView*>(control) || qobject_cast<QPushButton*>(control)) {
        control->setFocusPolicy(Qt::ClickFocus);
    } else {
        control->setFocusPolicy(Qt::NoFocus);
    }
    control->setEnabled((item.style & WS_DISABLED) == 0);
    control->setVisible((item.style & WS_VISIBLE) != 0);
    return control;
}
