#include "platform/framework/FolderWatch.h"

#include "platform/system/RecordsFolder.h"

#include <QSocketNotifier>

#include <cerrno>
#include <climits>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <sys/inotify.h>
#include <unistd.h>
#include <utility>

namespace {

// Creations, removals, renames and finished writes of names in the folder, and the folder itself
// going away.
constexpr std::uint32_t kWatchedEvents = IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO |
                                         IN_CLOSE_WRITE | IN_DELETE_SELF | IN_MOVE_SELF;

// The folder of records by a path the system can watch: its descriptor seen through /proc, so
// that a folder renamed after it was opened is still the one watched.
std::string WatchedPath() {
    const int folder = RecordsFolderDescriptor();
    if (folder == AT_FDCWD) {
        return ".";
    }
    return "/proc/self/fd/" + std::to_string(folder);
}

} // namespace

struct CFolderWatch::Watch {
    int fd = -1;
    std::unique_ptr<QSocketNotifier> notifier;
    NameFilter filter;

    ~Watch() {
        notifier.reset();
        if (fd >= 0) {
            ::close(fd);
        }
    }
};

CFolderWatch::CFolderWatch() = default;
CFolderWatch::~CFolderWatch() = default;

int CFolderWatch::Start(NameFilter filter) {
    auto watch = std::make_unique<Watch>();
    watch->filter = std::move(filter);
    watch->fd = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (watch->fd < 0) {
        return errno;
    }
    if (::inotify_add_watch(watch->fd, WatchedPath().c_str(), kWatchedEvents) < 0) {
        return errno;
    }
    watch->notifier = std::make_unique<QSocketNotifier>(watch->fd, QSocketNotifier::Read);
    QObject::connect(watch->notifier.get(), &QSocketNotifier::activated, [this] { Poll(); });
    m_watch = std::move(watch);
    return 0;
}

void CFolderWatch::Poll() {
    if (!m_watch) {
        return;
    }
    alignas(inotify_event) char buffer[64 * (sizeof(inotify_event) + NAME_MAX + 1)];
    for (;;) {
        const ssize_t count = ::read(m_watch->fd, buffer, sizeof buffer);
        if (count <= 0) {
            return; // EAGAIN: nothing more queued
        }
        for (std::size_t at = 0; at < static_cast<std::size_t>(count);) {
            inotify_event event;
            std::memcpy(&event, buffer + at, sizeof event);
            const char* name = buffer + at + sizeof event;
            at += sizeof event + event.len;
            if (m_changed) {
                continue;
            }
            const bool anything =
                (event.mask & (IN_Q_OVERFLOW | IN_DELETE_SELF | IN_MOVE_SELF | IN_IGNORED)) != 0;
            const std::string_view changed =
                anything || event.len == 0 ? std::string_view() : std::string_view(name);
            m_changed = m_watch->filter(changed);
        }
    }
}

bool CFolderWatch::TakeChange() {
    return std::exchange(m_changed, false);
}
