// The open window following changes that other programs make to its folder: varnolt-cli run as a
// process of its own beside it, and ticks driven by the test.
#include "cli/CliProcess.h"
#include "runstate/ReloadPacing.h"
#include "support/LoopbackServer.h"
#include "window/BrowseFixture.h"

#include <filesystem>
#include <string>
#include <vector>

namespace {

class LiveFolder : public BrowsePages {
protected:
    void SetUp() override {
        BrowsePages::SetUp();
        // Every path is a page whose title names it.
        m_server.Routes().Get(".*", [](const httplib::Request& request, httplib::Response& res) {
            res.set_content("<html><title>Page " + request.path + "</title>body</html>",
                            "text/html");
        });
        m_server.Start();
    }

    CliRun Cli(std::vector<std::string> arguments) {
        arguments.insert(arguments.begin(), {"-C", m_workingDirectory.Path()});
        CliRun run = RunCliProgram(arguments);
        EXPECT_LT(run.exitStatus, 3) << run.err;
        return run;
    }
    void Ticks(int count) {
        for (int tick = 0; tick < count; ++tick) {
            m_dlg.SendMessage(WM_TIMER, 0);
        }
    }
    std::string Label(int id) { return ControlOf<QLabel>(id)->text().toStdString(); }
    std::string SelectedText() {
        const int index = m_dlg.m_listPages.GetCurSel();
        std::string line;
        if (index != LB_ERR) {
            m_dlg.m_listPages.GetText(index, line);
        }
        return line;
    }

    LoopbackServer m_server;
};

TEST_F(LiveFolder, PagesAddedAndRemovedByTheCommandLineShowAndTheSelectionStays) {
    const std::string a = m_server.Url("/a");
    const std::string b = m_server.Url("/b");
    const std::string c = m_server.Url("/c");
    WriteRecord("1.vnt", a, "Alpha", "1:2:2024");
    WriteRecord("2.vnt", b, "Beta", "3:4:2025");
    WithWindow([&] {
        ClickRow(RowOf(b));
        ASSERT_EQ(Label(IDC_PAGENAME), "Beta");
        ControlOf<QLineEdit>(IDC_URL)->setText("http://being.typed/");

        Cli({"add", c});
        Ticks(kReloadQuietTicks - 1);
        EXPECT_EQ(ListLines(), (std::vector<std::string>{a, b})) << "not before the quiet spell";
        Ticks(1);
        EXPECT_EQ(ListLines(), (std::vector<std::string>{a, b, c}));
        EXPECT_EQ(SelectedText(), b);
        EXPECT_EQ(Label(IDC_PAGENAME), "Beta");
        EXPECT_EQ(Label(IDC_CHECKDATE), "3:4:2025");
        EXPECT_EQ(ControlOf<QLineEdit>(IDC_URL)->text(), "http://being.typed/");

        // The selected page removed: its line and the fields' page go.
        Cli({"remove", b});
        Ticks(kReloadQuietTicks);
        EXPECT_EQ(ListLines(), (std::vector<std::string>{a, c}));
        EXPECT_EQ(m_dlg.m_listPages.GetCurSel(), LB_ERR);
        EXPECT_EQ(Label(IDC_PAGENAME), "");

        // Another page removed: the selection stays on its own page.
        ClickRow(RowOf(c));
        Cli({"remove", a});
        Ticks(kReloadQuietTicks);
        EXPECT_EQ(ListLines(), (std::vector<std::string>{c}));
        EXPECT_EQ(SelectedText(), c);
        EXPECT_EQ(Label(IDC_PAGENAME), "Page /c");
        EXPECT_EQ(m_dlg.FolderReloads(), 3);
    });
    EXPECT_TRUE(AfxTakeAnsweredMessageBoxes().empty());
}

TEST_F(LiveFolder, ACheckByTheCommandLineMovesLastCheckAndKeepsTheReportedLines) {
    const std::string a = m_server.Url("/a");
    WriteWholeFile("time.ini", "1:1:2000");
    WriteRecord("1.vnt", a, "Alpha", "1:2:2024");
    WithWindow([&] {
        ASSERT_EQ(Label(IDC_CHECKDATE), "1:1:2000");
        // What the window's own last check reported about the page, and a line for no page.
        m_dlg.m_listPages.ResetContent();
        m_dlg.m_listPages.AddString("UPDATE " + a);
        m_dlg.m_listPages.AddString("Time Out");

        Cli({"check"});
        const std::string stamp = ReadWholeFile("time.ini").substr(0, 10);
        ASSERT_NE(stamp, "1:1:2000");
        Ticks(kReloadQuietTicks);
        EXPECT_EQ(m_dlg.m_strLastCheck, stamp);
        EXPECT_EQ(Label(IDC_CHECKDATE), stamp);
        EXPECT_EQ(ListLines(), (std::vector<std::string>{"Time Out", "UPDATE " + a}));
    });
}

TEST_F(LiveFolder, TheSelectedPageRewrittenByACheckShowsItsNewTitleAndDate) {
    const std::string a = m_server.Url("/a");
    WriteRecord("1.vnt", a, "Alpha", "1:2:2024");
    WriteRecord("2.vnt", m_server.Url("/b"), "Beta", "3:4:2025");
    WithWindow([&] {
        ClickRow(RowOf(a));
        ASSERT_EQ(Label(IDC_PAGENAME), "Alpha");
        Cli({"check"});
        // What the check stored: "url|title|date*page".
        const std::string stored = ReadWholeFile("1.vnt");
        const std::size_t title = stored.find('|') + 1;
        const std::size_t date = stored.find('|', title) + 1;
        const std::string newTitle = stored.substr(title, date - 1 - title);
        const std::string newDate = stored.substr(date, stored.find('*') - date);
        ASSERT_NE(newTitle, "Alpha");
        Ticks(kReloadQuietTicks);
        EXPECT_EQ(SelectedText(), a);
        EXPECT_EQ(Label(IDC_PAGENAME), newTitle);
        EXPECT_EQ(Label(IDC_CHECKDATE), newDate);
    });
}

TEST_F(LiveFolder, NothingReloadsWhileAJobRunsAndTheChangesShowAtItsEnd) {
    const std::string a = m_server.Url("/a");
    WriteRecord("1.vnt", a);
    WithWindow([&] {
        g_bWorkerBusy = 1; // as while the window's own check runs
        Cli({"add", m_server.Url("/b")});
        Ticks(3 * kReloadLongestWaitTicks);
        EXPECT_EQ(ListLines(), std::vector<std::string>{a});
        EXPECT_EQ(m_dlg.FolderReloads(), 0);

        // The job's last line still waits to be shown: no reload yet either.
        g_bWorkerBusy = 0;
        g_strStatus.Post("UPDATE " + a);
        m_dlg.m_listPages.ResetContent();
        Ticks(1);
        Ticks(kReloadQuietTicks);
        EXPECT_EQ(ListLines(), (std::vector<std::string>{m_server.Url("/b"), "UPDATE " + a}));
        EXPECT_EQ(m_dlg.FolderReloads(), 1);
    });
}

TEST_F(LiveFolder, AThousandAddsReloadOnlyAFewTimes) {
    WithWindow([&] {
        // One command-line add of a thousand pages: one reload.
        std::vector<std::string> add{"add"};
        for (int page = 0; page < 1000; ++page) {
            add.push_back(m_server.Url("/p" + std::to_string(page)));
        }
        Cli(add);
        Ticks(2 * kReloadLongestWaitTicks);
        EXPECT_EQ(m_dlg.m_listPages.GetCount(), 1000);
        EXPECT_EQ(m_dlg.FolderReloads(), 1);

        // A thousand more arriving in a stream, ten between ticks: the list still follows, in a
        // few reloads, not one a tick.
        for (int page = 0; page < 1000; ++page) {
            WriteRecord("s" + std::to_string(page) + ".vnt",
                        "http://stream.example/" + std::to_string(page));
            if (page % 10 == 9) {
                Ticks(1);
            }
        }
        Ticks(kReloadQuietTicks);
        EXPECT_EQ(m_dlg.m_listPages.GetCount(), 2000);
        EXPECT_LE(m_dlg.FolderReloads(), 1 + 3);
    });
}

TEST_F(LiveFolder, SideFilesOfThePagesReloadNothing) {
    WriteRecord("1.vnt", "http://a.example/");
    WithWindow([&] {
        for (const char* name :
             {"1.vnt.rules", "1.vnt.seen", "1.vnt.validators", ".vnttmp-x1", "count.ini"}) {
            WriteWholeFile(name, "x");
        }
        std::filesystem::rename(".vnttmp-x1", ".vnttmp-x2");
        std::filesystem::create_directory(".history");
        std::filesystem::remove("1.vnt.seen");
        Ticks(2 * kReloadLongestWaitTicks);
        EXPECT_EQ(m_dlg.FolderReloads(), 0);

        WriteWholeFile("time.ini", "5:5:2025");
        Ticks(kReloadQuietTicks);
        EXPECT_EQ(m_dlg.FolderReloads(), 1);
        EXPECT_EQ(Label(IDC_CHECKDATE), "5:5:2025");
    });
}

} // namespace
