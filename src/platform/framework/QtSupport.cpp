#include "platform/framework/QtWindow.h"

#include <QFontMetrics>
#include <QImage>
#include <QPixmap>
#include <QStringDecoder>
#include <QVariant>

#include <cstdlib>
#include <map>
#include <memory>
#include <mutex>

QString AfxTextFromBytes(std::string_view bytes) {
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8(QByteArrayView(bytes.data(), static_cast<qsizetype>(bytes.size())));
    if (utf8.hasError()) {
        return QString::fromLatin1(bytes.data(), static_cast<qsizetype>(bytes.size()));
    }
    return text;
}

std::string AfxBytesFromText(const QString& text) {
    const QByteArray utf8 = text.toUtf8();
    return std::string(utf8.constData(), static_cast<std::size_t>(utf8.size()));
}

namespace {

constexpr const char* kLoadedBytes = "afxLoadedBytes";
constexpr const char* kLoadedText = "afxLoadedText";

} // namespace

// Defined with the controls (DialogWindow.cpp): reads and writes a control's visible text.
QString AfxControlShownText(const QWidget* control);
void AfxSetControlShownText(QWidget* control, const QString& text);

void AfxSetControlText(QWidget* control, const std::string& bytes) {
    if (control == nullptr) {
        return;
    }
    const QString text = AfxTextFromBytes(bytes);
    control->setProperty(kLoadedBytes,
                         QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size())));
    control->setProperty(kLoadedText, text);
    if (AfxControlShownText(control) != text) {
        AfxSetControlShownText(control, text);
    }
}

std::string AfxGetControlText(const QWidget* control) {
    if (control == nullptr) {
        return {};
    }
    const QString text = AfxControlShownText(control);
    const QVariant loadedText = control->property(kLoadedText);
    if (loadedText.isValid() && loadedText.toString() == text) {
        const QByteArray bytes = control->property(kLoadedBytes).toByteArray();
        return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
    }
    return AfxBytesFromText(text);
}

QFont AfxDialogFont(const DialogTemplate& dialog) {
    // The template's face is tried first. Where it does not exist (it is a Windows bitmap
    // font), DejaVu Sans Condensed follows: at 8 points it has the same dialog base units as the
    // template's face (6 x 13 pixels at 96 dpi), so windows keep their designed pixel size.
    QFont font;
    QStringList families;
    if (dialog.fontFace != nullptr && *dialog.fontFace != '\0') {
        families << QString::fromLatin1(dialog.fontFace);
    }
    families << "Microsoft Sans Serif"
             << "DejaVu Sans Condensed"
             << "Liberation Sans"
             << "Arial"
             << "DejaVu Sans";
    font.setFamilies(families);
    font.setStyleHint(QFont::SansSerif);
    font.setPointSize(dialog.pointSize > 0 ? dialog.pointSize : 8);
    font.setWeight(dialog.weight >= 600 ? QFont::Bold : QFont::Normal);
    font.setItalic(dialog.italic);
    return font;
}

DialogBaseUnits AfxBaseUnits(const QFont& font) {
    const QFontMetrics metrics(font);
    const int alphabet =
        metrics.horizontalAdvance("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
    return {(alphabet / 26 + 1) / 2, metrics.height()};
}

int AfxMulDiv(int a, int b, int c) {
    const long long product = static_cast<long long>(a) * b;
    const long long half = c / 2;
    return static_cast<int>(product >= 0 ? (product + half) / c : (product - half) / c);
}

QRect AfxMapDialogRect(int x, int y, int cx, int cy, DialogBaseUnits units) {
    return QRect(AfxMulDiv(x, units.x, 4), AfxMulDiv(y, units.y, 8), AfxMulDiv(cx, units.x, 4),
                 AfxMulDiv(cy, units.y, 8));
}

QImage AfxIconImage(const IconTemplate& icon) {
    QImage image(icon.width, icon.height, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    for (int y = 0; y < icon.height && y < static_cast<int>(icon.rows.size()); ++y) {
        const char* row = icon.rows[static_cast<std::size_t>(y)];
        for (int x = 0; x < icon.width && row[x] != '\0'; ++x) {
            const char c = row[x];
            int index = -1;
            if (c >= '0' && c <= '9') {
                index = c - '0';
            } else if (c >= 'A' && c <= 'F') {
                index = c - 'A' + 10;
            }
            if (index >= 0) {
                image.setPixel(x, y, 0xFF000000u | icon.palette[static_cast<std::size_t>(index)]);
            }
        }
    }
    return image;
}

// The icon handle: one per resource, made on first use and kept for the life of the process.
// The image is made at load time; the toolkit icon on first use on the window thread.
struct AfxIcon {
    QImage image;
    QIcon icon;
};

QIcon AfxIconOf(HICON icon) {
    if (icon == nullptr) {
        return QIcon();
    }
    if (icon->icon.isNull()) {
        icon->icon = QIcon(QPixmap::fromImage(icon->image));
    }
    return icon->icon;
}

namespace {

std::mutex g_iconGuard;
std::map<const IconTemplate*, std::unique_ptr<AfxIcon>>& LoadedIcons() {
    static auto* loaded = new std::map<const IconTemplate*, std::unique_ptr<AfxIcon>>;
    return *loaded; // handles stay valid for the life of the process
}

} // namespace

void AfxDropToolkitIcons() {
    std::lock_guard lock(g_iconGuard);
    for (auto& [resource, icon] : LoadedIcons()) {
        icon->icon = QIcon();
    }
}

HICON AfxLoadIconResource(int id) {
    auto& loaded = LoadedIcons();
    std::mutex& guard = g_iconGuard;
    const IconTemplate* found = AfxFindIconTemplate(id);
    if (found == nullptr) {
        return nullptr;
    }
    std::lock_guard lock(guard);
    std::unique_ptr<AfxIcon>& slot = loaded[found];
    if (!slot) {
        slot = std::make_unique<AfxIcon>();
        slot->image = AfxIconImage(*found);
    }
    return slot.get();
}

int GetSystemMetrics(int index) {
    switch (index) {
    case SM_CXICON:
    case SM_CYICON:
        return 32;
    default:
        return 0;
    }
}
