// Every word in the windows shows whole: each control's text, measured with the control's own
// font, fits the area the toolkit draws it in (a button's contents inside its bevel, a label's
// contents inside its frame, margin and indent, an edit box's text area).
#include "window/WindowFixture.h"

#include "platform/framework/QtText.h"
#include "records/PageRules.h"

#include <QFontMetrics>
#include <QStyle>
#include <QStyleOptionButton>
#include <QStyleOptionFrame>

#include <sstream>

namespace {

// Where the control's text goes, and the room the text needs there; an empty area for a
// control that shows no text.
struct TextPlace {
    QRect area;
    QRect needed;
};

TextPlace PlaceOfText(QWidget* control) {
    const QFontMetrics metrics(control->font());
    if (auto* button = qobject_cast<QPushButton*>(control)) {
        QStyleOptionButton option;
        option.initFrom(button);
        option.text = button->text();
        if (button->isDefault()) {
            option.features |= QStyleOptionButton::DefaultButton;
        }
        const QRect area =
            button->style()->subElementRect(QStyle::SE_PushButtonContents, &option, button);
        // Centred, one line high.
        return {area, QStyle::alignedRect(
                          Qt::LeftToRight, Qt::AlignCenter,
                          QSize(metrics.horizontalAdvance(option.text), metrics.height()), area)};
    }
    if (auto* label = qobject_cast<QLabel*>(control)) {
        if (label->text().isEmpty() && !label->pixmap().isNull()) {
            return {};
        }
        // A label's documented indent: none set and a frame drawn means half an "x".
        int indent = label->indent();
        if (indent < 0) {
            indent = label->frameWidth() > 0
                         ? metrics.horizontalAdvance(QLatin1Char('x')) / 2 - label->margin()
                         : 0;
        }
        QRect area = label->contentsRect().marginsRemoved(
            QMargins(label->margin(), label->margin(), label->margin(), label->margin()));
        area.adjust(std::max(indent, 0), std::max(indent, 0), 0, 0);
        const int flags = Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap;
        QRect needed = metrics.boundingRect(area, flags, label->text());
        needed.setHeight(std::max(needed.height(), metrics.height())); // at least one line
        return {area, needed};
    }
    if (auto* edit = qobject_cast<QLineEdit*>(control)) {
        QStyleOptionFrame option;
        option.initFrom(edit);
        option.lineWidth =
            edit->hasFrame()
                ? edit->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &option, edit)
                : 0;
        const QRect area = edit->style()
                               ->subElementRect(QStyle::SE_LineEditContents, &option, edit)
                               .marginsRemoved(edit->textMargins());
        // The edit box keeps a margin of 1 above and below the line and 2 beside it.
        return {area, QStyle::alignedRect(
                          Qt::LeftToRight, Qt::AlignVCenter | Qt::AlignLeft,
                          QSize(metrics.horizontalAdvance(edit->text()) + 4, metrics.height() + 2),
                          area)};
    }
    return {};
}

// The controls whose text does not show whole, each with its text, area and need.
std::string TextsThatDoNotFit(const std::vector<QWidget*>& controls) {
    std::ostringstream faults;
    for (QWidget* control : controls) {
        const TextPlace place = PlaceOfText(control);
        if (place.area.isNull() || place.area.contains(place.needed)) {
            continue;
        }
        auto shown = [](const QRect& r) {
            std::ostringstream text;
            text << r.width() << "x" << r.height() << "+" << r.x() << "+" << r.y();
            return text.str();
        };
        faults << "\"" << AfxGetControlText(control) << "\" needs " << shown(place.needed)
               << ", has " << shown(place.area) << " in "
               << QFontInfo(control->font()).family().toStdString() << " "
               << QFontInfo(control->font()).pixelSize() << "px\n";
    }
    return faults.str();
}

TEST_F(MainWindow, EveryTextShowsWholeInItsControl) {
    WithWindow([&] {
        // The widest texts the two fields hold: a date of ten characters, a title of one line.
        for (const char* date : {"31:12:2025", "28:10:2024"}) {
            m_dlg.m_strPageName = "Example News | Front page";
            m_dlg.m_strCheckDate = date;
            m_dlg.UpdateData(FALSE);
            EXPECT_EQ(TextsThatDoNotFit(Window().Controls()), "");
        }
        // The window keeps its designed base units, and so its size: the fit comes from how
        // the texts are drawn.
        EXPECT_EQ(Window().BaseUnits().x, 6);
        EXPECT_EQ(Window().BaseUnits().y, 13);
    });
}

TEST_F(MainWindow, EveryTextShowsWholeInTheAboutBox) {
    std::string faults = "the About box never showed";
    WithWindow([&] {
        QObject context;
        WhenModalTemplateShows(
            100,
            [&](DialogWindow& about) {
                faults = TextsThatDoNotFit(about.Controls());
                about.End(IDOK);
            },
            &context);
        m_dlg.SendMessage(WM_SYSCOMMAND, 16);
    });
    EXPECT_EQ(faults, "");
}

// A page with rules shows them by its title in as many words as the field holds, never more,
// and at least says that it has rules, a long title cut short for it.
TEST_F(MainWindow, RulesBesideTheTitleShowWholeInTheNameField) {
    struct Case {
        const char* title;
        const char* starts;
        const char* ends;
    };
    const Case cases[] = {
        {"Shop", "Shop [rules: --css main", "...]"},
        {"Example News | Front page", "Example News", "... [rules]"},
    };
    PageRules rules;
    rules.css = {"main article .headline"};
    rules.text = true;
    rules.ignore = {"^Last updated", "visitors"};
    for (const Case& page : cases) {
        SCOPED_TRACE(page.title);
        WriteRecord("1.vnt", "http://a.example/", page.title);
        ASSERT_EQ(WriteRecordRules("1.vnt", rules), 0);
        WithWindow([&] {
            m_dlg.m_listPages.SetCurSel(0);
            m_dlg.SendMessage(WM_COMMAND, MAKEWPARAM(IDC_PAGES, LBN_SELCHANGE));
            const QString shown =
                dynamic_cast<QLabel*>(AfxControlWidget(m_dlg, IDC_PAGENAME))->text();
            EXPECT_TRUE(shown.startsWith(page.starts)) << shown.toStdString();
            EXPECT_TRUE(shown.endsWith(page.ends)) << shown.toStdString();
            EXPECT_EQ(TextsThatDoNotFit(Window().Controls()), "");
        });
    }
}

TEST_F(MainWindow, EveryTextShowsWholeInThePageRulesDialog) {
    WriteRecord("1.vnt", "http://a.example/");
    std::string faults = "the Page Rules dialog never showed";
    WithWindow([&] {
        m_dlg.m_listPages.SetCurSel(0);
        QObject context;
        WhenModalTemplateShows(
            IDD_PAGERULES,
            [&](DialogWindow& dialog) {
                faults = TextsThatDoNotFit(dialog.Controls());
                dialog.End(IDCANCEL);
            },
            &context);
        m_dlg.SendMessage(WM_SYSCOMMAND, IDM_PAGERULES);
    });
    EXPECT_EQ(faults, "");
}

} // namespace
