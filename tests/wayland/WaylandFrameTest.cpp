// The main window's frame on a Wayland desktop, under a real compositor: a headless weston of the
// test's own, on a private socket. The frame must offer what the design's frame offers (close and
// minimise, no maximise) and keep the window's size; the compositor's screenshot must show the
// window as it draws itself. Without weston or the toolkit's Wayland platform, every test skips
// and says why.

#include "platform/framework/CaptionBar.h"
#include "window/WindowFixture.h"

#include <QDir>
#include <QImage>
#include <QLibraryInfo>
#include <QWindow>

#include <gmock/gmock.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <optional>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

// Runs a program to its end with the arguments, in `folder`; yields its exit status.
int RunToEnd(const std::vector<std::string>& command, const fs::path& folder) {
    // Made before the fork: the child of this threaded process may not allocate.
    std::vector<char*> argv;
    std::vector<std::string> copies = command;
    for (std::string& argument : copies) {
        argv.push_back(argument.data());
    }
    argv.push_back(nullptr);
    const pid_t pid = ::fork();
    if (pid == 0) {
        if (::chdir(folder.c_str()) != 0) {
            ::_exit(126);
        }
        ::execvp(argv[0], argv.data());
        ::_exit(127);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

bool OnPath(const std::string& program) {
    const char* path = std::getenv("PATH");
    std::string folders = path != nullptr ? path : "/usr/bin:/bin";
    for (std::size_t start = 0; start <= folders.size();) {
        const std::size_t end = std::min(folders.find(':', start), folders.size());
        if (::access((folders.substr(start, end - start) + "/" + program).c_str(), X_OK) == 0) {
            return true;
        }
        start = end + 1;
    }
    return false;
}

// A headless weston on a socket in a runtime folder of its own, started before the toolkit.
class Compositor {
public:
    Compositor() {
        if (!OnPath("weston") || !OnPath("weston-screenshooter")) {
            m_skipReason =
                "weston (with weston-screenshooter) is not installed: apt-get install weston";
            return;
        }
        const QString plugins = QLibraryInfo::path(QLibraryInfo::PluginsPath);
        if (QDir(plugins + "/platforms").entryList({"libqwayland*"}).isEmpty()) {
            m_skipReason =
                "the toolkit's Wayland platform is not installed: apt-get install qt6-wayland";
            return;
        }
        char pattern[] = "/tmp/varnolt-wayland-XXXXXX";
        if (::mkdtemp(pattern) == nullptr) {
            m_skipReason = "no runtime folder";
            return;
        }
        m_runtime = pattern;
        m_pid = ::fork();
        if (m_pid == 0) {
            // Weston ends with this process, once the toolkit has let go of it: stopping it
            // earlier would make the toolkit end the process for the broken connection.
            ::prctl(PR_SET_PDEATHSIG, SIGTERM);
            ::setenv("XDG_RUNTIME_DIR", m_runtime.c_str(), 1);
            const std::string log = (m_runtime / "weston.log").string();
            const int logFile = ::open(log.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0600);
            ::dup2(logFile, STDOUT_FILENO);
            ::dup2(logFile, STDERR_FILENO);
            ::execlp("weston", "weston", "--backend=headless-backend.so", "--use-pixman", "--debug",
                     "--socket=varnolt-test", "--width=800", "--height=600", "--idle-time=0",
                     ("--log=" + log).c_str(), static_cast<char*>(nullptr));
            ::_exit(127);
        }
        // Ready once its socket is there; weston that ends first has failed.
        for (int attempt = 0; attempt < 400; ++attempt) {
            if (fs::exists(m_runtime / "varnolt-test")) {
                ::setenv("XDG_RUNTIME_DIR", m_runtime.c_str(), 1);
                ::setenv("WAYLAND_DISPLAY", "varnolt-test", 1);
                ::setenv("QT_QPA_PLATFORM", "wayland", 1);
                ::unsetenv("DISPLAY");
                return;
            }
            int status = 0;
            if (::waitpid(m_pid, &status, WNOHANG) == m_pid) {
                m_pid = -1;
                break;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        m_skipReason = "weston did not start; see " + (m_runtime / "weston.log").string();
    }
    const std::string& SkipReason() const { return m_skipReason; }
    // Removes the runtime folder; a running weston and its clients keep their connections.
    void RemoveRuntimeFolder() const {
        if (!m_runtime.empty() && m_skipReason.empty()) {
            std::error_code ignored;
            fs::remove_all(m_runtime, ignored);
        }
    }

private:
    pid_t m_pid = -1;
    fs::path m_runtime;
    std::string m_skipReason;
};

Compositor* g_compositor = nullptr;
fs::path g_startFolder; // where the program was started: the screenshot is kept there

// Where `part` lies inside `whole`, compared pixel for pixel.
std::optional<QPoint> Find(const QImage& whole, const QImage& part) {
    const QImage w = whole.convertToFormat(QImage::Format_RGB32);
    const QImage p = part.convertToFormat(QImage::Format_RGB32);
    for (int y = 0; y + p.height() <= w.height(); ++y) {
        for (int x = 0; x + p.width() <= w.width(); ++x) {
            bool same = true;
            for (int row = 0; row < p.height() && same; ++row) {
                const auto* a = reinterpret_cast<const QRgb*>(w.constScanLine(y + row)) + x;
                const auto* b = reinterpret_cast<const QRgb*>(p.constScanLine(row));
                same = std::equal(b, b + p.width(), a);
            }
            if (same) {
                return QPoint(x, y);
            }
        }
    }
    return std::nullopt;
}

class WaylandFrame : public MainWindow {
protected:
    void SetUp() override {
        if (!g_compositor->SkipReason().empty()) {
            GTEST_SKIP() << g_compositor->SkipReason();
        }
        MainWindow::SetUp();
        QApplication::setCursorFlashTime(0); // a steady caret, the same in every picture
    }
    // Shows the window and waits until the compositor has it on screen.
    void Exposed() {
        ASSERT_THAT(QGuiApplication::platformName().toStdString(),
                    ::testing::StartsWith("wayland"));
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&Window()));
    }
    CaptionBar& Caption() { return *Window().Caption(); }
};

} // namespace

TEST_F(WaylandFrame, OffersCloseAndMinimiseButNoMaximiseAndKeepsItsSize) {
    WithWindow([&] {
        Exposed();
        ASSERT_NE(Window().Caption(), nullptr);
        // The toolkit draws no frame of its own around the window.
        EXPECT_EQ(Window().windowHandle()->frameMargins(), QMargins());
        EXPECT_TRUE(Window().windowFlags() & Qt::FramelessWindowHint);
        EXPECT_TRUE(Caption().Offers(QStyle::SC_TitleBarCloseButton));
        EXPECT_TRUE(Caption().Offers(QStyle::SC_TitleBarMinButton));
        EXPECT_TRUE(Caption().Offers(QStyle::SC_TitleBarSysMenu));
        EXPECT_FALSE(Caption().Offers(QStyle::SC_TitleBarMaxButton));
        EXPECT_FALSE(Caption().Offers(QStyle::SC_TitleBarNormalButton));
        EXPECT_EQ(Window().minimumSize(), Window().maximumSize());
        // The caption sits above the client area and its edge; nothing else is added.
        const int edge = Window().Client()->x();
        EXPECT_EQ(Window().Client()->y(), Caption().height() + edge);
        EXPECT_EQ(Window().height(), Caption().height() + Window().Client()->height() + 2 * edge);
        EXPECT_EQ(Caption().width(), Window().width());
    });
}

TEST_F(WaylandFrame, TheCompositorShowsTheWindowAsItDrawsItself) {
    const fs::path shots = m_workingDirectory.Path();
    WithWindow([&] {
        Exposed();
        const QImage drawn = Window().grab().toImage();
        std::optional<QPoint> at;
        // The compositor shows a new frame on its next repaint: a few screenshots at most.
        for (int attempt = 0; attempt < 20 && !at; ++attempt) {
            QApplication::processEvents();
            for (const auto& entry : fs::directory_iterator(shots)) {
                fs::remove(entry.path());
            }
            ASSERT_EQ(RunToEnd({"weston-screenshooter"}, shots), 0);
            for (const auto& entry : fs::directory_iterator(shots)) {
                const QImage screen(QString::fromStdString(entry.path().string()));
                at = Find(screen, drawn);
                if (at) {
                    // Kept where the test program was started, for people to look at.
                    screen.save(
                        QString::fromStdString((g_startFolder / "wayland-frame.png").string()));
                }
            }
        }
        EXPECT_TRUE(at.has_value()) << "the screenshot does not show the window as drawn";
    });
}

TEST_F(WaylandFrame, TheCaptionsButtonsMinimiseAndClose) {
    WithWindow([&] {
        Exposed();
        QTest::mouseClick(&Caption(), Qt::LeftButton, {},
                          Caption().PartRect(QStyle::SC_TitleBarMinButton).center());
        EXPECT_TRUE(Window().isMinimized());
        EXPECT_FALSE(Window().Ended());
        Window().showNormal();
        QTest::mouseClick(&Caption(), Qt::LeftButton, {},
                          Caption().PartRect(QStyle::SC_TitleBarCloseButton).center());
        EXPECT_TRUE(Window().Ended());
    });
}

int main(int argc, char** argv) {
    // The compositor first: the toolkit picks its platform from the environment when it starts.
    // It lives as long as the process.
    g_startFolder = fs::current_path();
    static Compositor compositor;
    g_compositor = &compositor;
    ::testing::InitGoogleMock(&argc, argv);
    const int result = RUN_ALL_TESTS();
    compositor.RemoveRuntimeFolder();
    return result;
}
