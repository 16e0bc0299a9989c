#include "platform/framework/QtText.h"

#include "platform/framework/ControlFactory.h"

#include <QStringDecoder>
#include <QVariant>
#include <QWidget>

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
