// varnolt-cli when things happen at once or resources run short: a removal racing a rewrite, few
// file descriptors, names that lead nowhere, a junk file named like a record, injected faults.
// Nothing may come back once removed, and no record may go unchecked without its line.

#include "CliProcess.h"
#include "platform/system/ExclusiveFile.h"
#include "platform/system/FaultPointTesting.h"
#include "records/DateStamp.h"
#include "support/LoopbackServer.h"
#include "support/WorkingDirectory.h"

#include <gmock/gmock.h>

#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <poll.h>
#include <set>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

using ::testing::AnyOf;
using ::testing::HasSubstr;

namespace {

// Serves "/N" as "new page N" for any N.
class NewPages {
public:
    NewPages() {
        m_server.Routes().Get(
            "/([0-9]+)", [](const httplib::Request& request, httplib::Response& response) {
                response.set_content("new page " + request.matches[1].str(), "text/html");
            });
        m_server.Start();
    }
    std::string Url(int n) const { return m_server.Url("/" + std::to_string(n)); }

private:
    LoopbackServer m_server;
};

std::string OldRecord(const std::string& url) {
    return url + "|T|1:1:2025*old page";
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    return lines;
}

class CliRecordSafety : public InTempDirectory {
protected:
    CliRun Run(std::vector<std::string> arguments, const CliWrapper& wrapper = {}) {
        arguments.insert(arguments.begin(), {"-C", m_workingDirectory.Path()});
        return RunCliProgram(arguments, {}, wrapper);
    }
    // Writes records 1..count, each an old copy of its page.
    void WriteRecords(int count) {
        for (int n = 1; n <= count; ++n) {
            WriteWholeFile(std::to_string(n) + ".vnt", OldRecord(m_pages.Url(n)));
        }
    }
    NewPages m_pages;
};

// The check is held at a step of record 1's rewrite (through the program's FIFO seam) while the
// test removes the record from another process; then the check goes on.
struct RaceCase {
    std::string step;
    std::vector<std::string> stepsReached;
    int removeExit;
    bool recordAfter; // whether 1.vnt exists once the check is over
};

TEST_F(CliRecordSafety, ARecordRemovedDuringItsRewriteNeverComesBack) {
    const RaceCase cases[] = {
        // Removed before the rewrite locked it: the rewrite finds it gone and creates nothing.
        {"before-lock", {"before-lock"}, 0, false},
        // Removed while the rewrite holds it: the removal says it is held; the new copy stays.
        {"locked", {"before-lock", "locked"}, 2, true},
    };
    for (const RaceCase& c : cases) {
        SCOPED_TRACE(c.step);
        WriteRecords(2);
        std::filesystem::create_directory("hold");
        ASSERT_EQ(::mkfifo("hold/reached", 0600), 0);
        ASSERT_EQ(::mkfifo("hold/go", 0600), 0);
        const std::string hold = m_workingDirectory.Path() + "/hold";
        CliProcess check({"-C", m_workingDirectory.Path(), "check"},
                         {{"VARNOLT_TEST_HOLD_REPLACE", "1.vnt"}, {"VARNOLT_TEST_HOLD_DIR", hold}});
        // Answer each step the rewrite reaches; remove at the one under test.
        for (const std::string& step : c.stepsReached) {
            const std::string line = NextHeldStep();
            if (line != step) {
                const CliRun run = check.Finish();
                FAIL() << "the rewrite reached '" << line << "', not '" << step << "': " << run.out
                       << run.err;
            }
            if (line == c.step) {
                const CliRun removal = Run({"remove", "1"});
                EXPECT_EQ(removal.exitStatus, c.removeExit) << removal.err;
            }
            std::ofstream("hold/go") << 'g';
        }
        const CliRun run = check.Finish();
        EXPECT_THAT(Lines(run.out),
                    ::testing::ElementsAre("UPDATE " + m_pages.Url(1), "UPDATE " + m_pages.Url(2)));
        EXPECT_EQ(FileExists("1.vnt"), c.recordAfter);
        if (c.recordAfter) {
            EXPECT_THAT(ReadWholeFile("1.vnt"), HasSubstr("new page 1"));
        }
        EXPECT_THAT(ReadWholeFile("2.vnt"), HasSubstr("new page 2"));
        for (const auto& entry : std::filesystem::directory_iterator(".")) {
            EXPECT_NE(entry.path().filename().string().rfind(".vnttmp-", 0), 0U)
                << "a temporary was left: " << entry.path();
        }
        std::filesystem::remove_all("hold");
        std::filesystem::remove("1.vnt");
    }
}

// With few file descriptors, every record still has its line: a record that could not be opened
// for want of one is an error with its reason, never a silent "nothing changed".
TEST_F(CliRecordSafety, FewFileDescriptorsLeaveNoRecordWithoutItsLine) {
    constexpr int kRecords = 300;
    WriteRecords(kRecords);
    for (const char* limit : {"11", "40"}) {
        SCOPED_TRACE(std::string("ulimit -n ") + limit);
        const CliRun run =
            Run({"check", "--jobs", "60"},
                {"sh", "-c", std::string("ulimit -n ") + limit + "; exec \"$@\"", "sh"});
        const std::vector<std::string> lines = Lines(run.out);
        ASSERT_EQ(lines.size(), static_cast<std::size_t>(kRecords)) << run.err;
        const auto errors = std::count_if(lines.begin(), lines.end(), [](const std::string& line) {
            return line.rfind("Error ", 0) == 0;
        });
        if (errors > 0) {
            EXPECT_EQ(run.exitStatus, 2);
            EXPECT_GE(static_cast<long>(Lines(run.err).size()), errors) << "each error its reason";
        } else {
            EXPECT_EQ(run.exitStatus, 1) << run.err;
        }
        WriteRecords(kRecords);
    }
}

// A name that leads nowhere, or a directory, where the next record would go: add takes the next
// number, and remove can clear the name without touching what a link points to.
TEST_F(CliRecordSafety, NamesThatLeadNowhereNeitherBlockAddNorResistRemove) {
    struct Case {
        const char* name;
        void (*make)();
        bool removable;
    };
    const Case cases[] = {
        {"a link loop", [] { std::filesystem::create_symlink("1.vnt", "1.vnt"); }, true},
        {"a dangling link", [] { std::filesystem::create_symlink("gone.vnt", "1.vnt"); }, true},
        {"a directory", [] { std::filesystem::create_directory("1.vnt"); }, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::filesystem::remove_all("1.vnt");
        std::filesystem::remove_all("2.vnt");
        std::filesystem::remove("name.ini");
        c.make();
        const CliRun add = Run({"add", m_pages.Url(7)});
        EXPECT_EQ(add.exitStatus, 0) << add.err;
        EXPECT_THAT(ReadWholeFile("2.vnt"), HasSubstr("new page 7"));
        EXPECT_EQ(ReadWholeFile("name.ini"), "2");

        const CliRun remove = Run({"remove", "1"});
        EXPECT_EQ(remove.exitStatus, c.removable ? 0 : 2) << remove.err;
        std::error_code ignored;
        EXPECT_EQ(std::filesystem::symlink_status("1.vnt", ignored).type() ==
                      std::filesystem::file_type::not_found,
                  c.removable);
    }
}

TEST_F(CliRecordSafety, RemoveTakesTheRecordsRulesWithIt) {
    WriteRecords(2);
    WriteWholeFile("1.vnt.rules", "text\n");
    WriteWholeFile("2.vnt.rules", "text\n");
    const CliRun remove = Run({"remove", "1"});
    EXPECT_EQ(remove.exitStatus, 0) << remove.err;
    EXPECT_FALSE(FileExists("1.vnt"));
    EXPECT_FALSE(FileExists("1.vnt.rules"));
    EXPECT_TRUE(FileExists("2.vnt.rules"));
}

TEST_F(CliRecordSafety, RemovingThroughALinkRemovesTheLinkOnly) {
    WriteWholeFile("kept", OldRecord(m_pages.Url(1)));
    std::filesystem::create_symlink("kept", "1.vnt");
    const CliRun remove = Run({"remove", "1"});
    EXPECT_EQ(remove.exitStatus, 0) << remove.err;
    EXPECT_FALSE(std::filesystem::is_symlink("1.vnt"));
    EXPECT_EQ(ReadWholeFile("kept"), OldRecord(m_pages.Url(1)));
}

TEST_F(CliRecordSafety, ARecordNumberIsTheFilesNameLeadingZerosIncluded) {
    WriteRecords(1);
    const CliRun run = Run({"remove", "01"});
    EXPECT_EQ(run.exitStatus, 2);
    EXPECT_THAT(run.err, HasSubstr("no record number 01"));
    EXPECT_TRUE(FileExists("1.vnt"));
}

// A stamp that cannot be written is said, with the true reason, and the check still runs.
TEST_F(CliRecordSafety, ACheckStampThatCannotBeWrittenIsReported) {
    WriteRecords(1);
    std::filesystem::create_directory("time.ini");
    const CliRun run = Run({"check"});
    EXPECT_EQ(run.exitStatus, 2);
    EXPECT_THAT(run.err, HasSubstr("could not be noted in time.ini"));
    EXPECT_EQ(run.out, "UPDATE " + m_pages.Url(1) + "\n");
}

// A read-only stamp in a folder that may be written to is told as what it is.
TEST_F(CliRecordSafety, AReadOnlyCheckStampIsToldAsReadOnly) {
    WriteRecords(1);
    WriteWholeFile("time.ini", "1:1:2020");
    std::filesystem::permissions("time.ini", std::filesystem::perms::owner_read);
    const CliRun run = Run({"check"});
    EXPECT_EQ(run.exitStatus, 2);
    EXPECT_THAT(run.err, HasSubstr("could not be noted in time.ini: the file is read-only"));
    EXPECT_THAT(run.err, ::testing::Not(HasSubstr("folder")));
    EXPECT_EQ(ReadWholeFile("time.ini"), "1:1:2020");
    EXPECT_EQ(run.out, "UPDATE " + m_pages.Url(1) + "\n");
}

// A large junk file named like a record is read no further than a record's address could reach:
// the check's memory stays small (the whole file held would be over 500 MiB).
TEST_F(CliRecordSafety, AJunkFileNamedLikeARecordIsNotReadWhole) {
    WriteRecords(1);
    { std::ofstream("2.vnt", std::ios::binary); }
    std::filesystem::resize_file("2.vnt", std::uintmax_t{520} << 20);
    const CliRun run = Run({"check"});
    EXPECT_EQ(run.exitStatus, 1) << run.err;
    EXPECT_EQ(run.out, "UPDATE " + m_pages.Url(1) + "\n");
    EXPECT_LT(run.peakKiB, 256 * 1024) << "KiB at the peak";
}

// Fault injection, as storage engines test themselves: many runs of check and add with random
// failures of reads, writes, opens and every file call of the program's own (libfiu). After each
// run every record is whole, old or new, and so is every version kept of it; a record that became
// new had its UPDATE line; every record has exactly one line; and every failure has its reason
// and exit status 2. VNT_FAULT_RUNS sets the number of runs.
class CliFaultInjection : public CliRecordSafety {
protected:
    void SetUp() override {
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
        GTEST_SKIP() << "the fault library is preloaded, which the sanitizers' runtimes refuse";
#endif
        if (!std::filesystem::exists("/usr/bin/fiu-run")) {
            GTEST_SKIP() << "fiu-run is missing (Debian package fiu-utils)";
        }
        const char* runs = std::getenv("VNT_FAULT_RUNS");
        m_runs = runs != nullptr ? std::atoi(runs) : 30;
    }
    static CliWrapper Faults() {
        return {"/usr/bin/fiu-run", "-x", "-c", "enable_random name=posix/io/rw/*,probability=0.02",
                "-c", "enable_random name=posix/io/oc/open,probability=0.03",
                // Every file call of the program's own (openat, renameat, linkat, fsync, ...).
                "-c", "enable_random name=posix/vnt/*,probability=0.01"};
    }
    std::string NewRecord(int n) const {
        return m_pages.Url(n) + "|untitle|" + DateStamp() + "*new page " + std::to_string(n);
    }
    // The files of record n's history (its kept versions), none when it has no history.
    static std::vector<std::string> KeptVersions(int n) {
        std::vector<std::string> names;
        const std::string folder = std::to_string(n) + ".vnt.history";
        if (std::filesystem::is_directory(folder)) {
            for (const auto& entry : std::filesystem::directory_iterator(folder)) {
                if (entry.path().extension() == ".vnt") {
                    names.push_back(entry.path().string());
                }
            }
        }
        return names;
    }
    int m_runs = 0;
};

TEST_F(CliFaultInjection, CheckLeavesRecordsWholeAndReportsEveryRecord) {
    constexpr int kRecords = 10;
    for (int run = 0; run < m_runs; ++run) {
        SCOPED_TRACE("run " + std::to_string(run));
        for (const auto& entry : std::filesystem::directory_iterator(".")) {
            std::filesystem::remove_all(entry.path());
        }
        WriteRecords(kRecords);
        const CliRun check = Run({"check"}, Faults());
        const std::vector<std::string> lines = Lines(check.out);
        if (lines.empty()) {
            // The folder itself could not be opened or read: said, and nothing was rewritten.
            EXPECT_EQ(check.exitStatus, 2);
            EXPECT_THAT(check.err, AnyOf(HasSubstr("could not be read"),
                                         HasSubstr("cannot use the folder of records")));
        } else {
            ASSERT_EQ(lines.size(), static_cast<std::size_t>(kRecords)) << check.err;
        }
        int failures = 0;
        for (int n = 1; n <= kRecords; ++n) {
            const std::string text = ReadWholeFile(std::to_string(n) + ".vnt");
            const bool renewed = text == NewRecord(n);
            EXPECT_TRUE(renewed || text == OldRecord(m_pages.Url(n))) << n << ": " << text;
            for (const std::string& version : KeptVersions(n)) {
                EXPECT_EQ(ReadWholeFile(version), OldRecord(m_pages.Url(n))) << version;
            }
            if (lines.empty()) {
                EXPECT_FALSE(renewed) << n;
                continue;
            }
            const std::string& line = lines[static_cast<std::size_t>(n - 1)];
            if (renewed) {
                EXPECT_EQ(line, "UPDATE " + m_pages.Url(n));
            }
            if (line.rfind("UPDATE ", 0) != 0) {
                ++failures;
                EXPECT_THAT(line, ::testing::AnyOf(HasSubstr(m_pages.Url(n)),
                                                   "Error " + std::to_string(n) + ".vnt"));
            }
        }
        if (failures > 0) {
            EXPECT_EQ(check.exitStatus, 2);
            EXPECT_GE(static_cast<int>(Lines(check.err).size()), failures) << "a reason each";
        }
    }
}

// One file call of the rewrite fails with a number that once also told a state of the record
// (gone, read-only, held): the page is an error with its reason, never an UPDATE; the record and
// its history stay exactly as they were. With and without a history, since keeping the old copy
// syncs too.
TEST_F(CliFaultInjection, AFailedRewriteIsAnErrorWhateverItsNumber) {
    struct Case {
        const char* call;
        int error;
        bool history;
    };
    if (!FailAtFaultPointForTesting("posix/vnt/none", 0)) {
        GTEST_SKIP() << "this build has no fault points";
    }
    const Case cases[] = {
        {"fsync", ESTALE, false},        {"fsync", EPERM, false},    {"fsync", EWOULDBLOCK, false},
        {"fsync", ESTALE, true},         {"renameat", ESTALE, true}, {"renameat", EPERM, true},
        {"renameat", EWOULDBLOCK, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.call) + " " + std::to_string(c.error) +
                     (c.history ? " with history" : ""));
        for (const auto& entry : std::filesystem::directory_iterator(".")) {
            std::filesystem::remove_all(entry.path());
        }
        WriteRecords(1);
        if (!c.history) {
            WriteWholeFile("history.ini", "keep=0\n");
        }
        const CliWrapper failing = {"/usr/bin/fiu-run", "-c",
                                    "enable name=posix/vnt/" + std::string(c.call) +
                                        ",failinfo=" + std::to_string(c.error)};
        const CliRun check = Run({"check"}, failing);
        EXPECT_EQ(check.out, "Error " + m_pages.Url(1) + "\n");
        EXPECT_EQ(check.exitStatus, 2);
        EXPECT_THAT(check.err, HasSubstr(m_pages.Url(1)));
        EXPECT_THAT(check.err, HasSubstr(c.error == EPERM ? std::string("may not be written")
                                                          : SystemErrorText(c.error)));
        EXPECT_EQ(ReadWholeFile("1.vnt"), OldRecord(m_pages.Url(1)));
        EXPECT_TRUE(KeptVersions(1).empty()) << "the copy kept for it went again";

        const CliRun json = Run({"check", "--json"}, failing);
        EXPECT_THAT(json.out, HasSubstr(R"("result":"error")"));
        EXPECT_THAT(json.out, HasSubstr(R"("stored":false)"));
    }
    // Without the fault the same check stores the page, and says so.
    const CliRun json = Run({"check", "--json"});
    EXPECT_THAT(json.out, HasSubstr(R"("result":"changed")"));
    EXPECT_THAT(json.out, HasSubstr(R"("stored":true)"));
    EXPECT_EQ(json.exitStatus, 1);
}

// An old version that cannot be removed leaves the page stored and its line as it is, and says
// why on standard error.
TEST_F(CliFaultInjection, AnOldVersionThatStaysIsTold) {
    if (!FailAtFaultPointForTesting("posix/vnt/none", 0)) {
        GTEST_SKIP() << "this build has no fault points";
    }
    WriteRecords(1);
    WriteWholeFile("history.ini", "keep=0\n");
    std::filesystem::create_directory("1.vnt.history");
    const std::string kept = "1.vnt.history/20250101-000000-0000.vnt";
    WriteWholeFile(kept, OldRecord(m_pages.Url(1)));
    const CliRun check =
        Run({"check"}, {"/usr/bin/fiu-run", "-c",
                        "enable name=posix/vnt/unlinkat,failinfo=" + std::to_string(EACCES)});
    EXPECT_EQ(check.out, "UPDATE " + m_pages.Url(1) + "\n");
    EXPECT_EQ(check.exitStatus, 1);
    EXPECT_THAT(check.err, HasSubstr("oldest kept versions could not be removed"));
    EXPECT_EQ(ReadWholeFile("1.vnt"), NewRecord(1));
    EXPECT_TRUE(FileExists(kept));
}

TEST_F(CliFaultInjection, AddStoresWholeRecordsOrSaysWhyNot) {
    for (int run = 0; run < m_runs; ++run) {
        SCOPED_TRACE("run " + std::to_string(run));
        for (const auto& entry : std::filesystem::directory_iterator(".")) {
            std::filesystem::remove_all(entry.path());
        }
        const CliRun add = Run({"add", m_pages.Url(1), m_pages.Url(2), m_pages.Url(3)}, Faults());
        const std::vector<std::string> stored = Lines(add.out);
        std::set<std::string> onDisk;
        for (const auto& entry : std::filesystem::directory_iterator(".")) {
            const std::string name = entry.path().filename().string();
            if (name.size() > 4 && name.substr(name.size() - 4) == ".vnt") {
                const std::string text = ReadWholeFile(name);
                for (int n = 1; n <= 3; ++n) {
                    if (text.rfind(m_pages.Url(n) + "|", 0) == 0) {
                        EXPECT_EQ(text, NewRecord(n)) << name;
                        onDisk.insert(m_pages.Url(n));
                    }
                }
            }
        }
        // Every address printed was stored whole; every one not printed has its reason.
        for (const std::string& url : stored) {
            EXPECT_EQ(onDisk.count(url), 1U) << url << " printed but not stored";
        }
        if (add.err.find("cannot use the folder of records") != std::string::npos) {
            // The folder could not be opened: said once, and nothing was stored.
            EXPECT_EQ(add.exitStatus, 2);
            EXPECT_TRUE(stored.empty());
        } else if (stored.size() < 3) {
            EXPECT_EQ(add.exitStatus, 2);
            EXPECT_GE(Lines(add.err).size(), 3 - stored.size()) << "a reason each";
        } else {
            EXPECT_EQ(add.exitStatus, 0) << add.err;
        }
    }
}

} // namespace
