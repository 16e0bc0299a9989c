#include "platform/framework/QtIcons.h"

#include <QPixmap>

#include <map>
#include <memory>
#include <mutex>

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
