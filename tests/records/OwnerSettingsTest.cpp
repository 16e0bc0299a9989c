// The record, the counter and the stamp keep what their owner set: a read-only file stays as it
// is (whoever the program runs as), a rewritten file keeps its mode, owner and group, and a file
// reached through a symbolic link is replaced where it lies, the link kept.
#include "platform/system/LocalDate.h"
#include "records/LastCheck.h"
#include "records/RecordWriter.h"
#include "support/WorkingDirectory.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr uid_t kOrdinaryUser = 65534; // nobody
constexpr gid_t kOrdinaryGroup = 65534;

class OwnerSettings : public InTempDirectory {
protected:
    void SetUp() override {
        SetLocalDateSourceForTesting([] { return CalendarDate{8, 12, 2025}; });
    }
    void TearDown() override { SetLocalDateSourceForTesting({}); }
};

struct stat StatOf(const std::string& name) {
    struct stat info {};
    EXPECT_EQ(::lstat(name.c_str(), &info), 0) << name;
    return info;
}

unsigned ModeOf(const std::string& name) {
    return StatOf(name).st_mode & 07777;
}

std::vector<std::string> NamesIn(const std::string& directory) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(directory)) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

unsigned CurrentUmask() {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return mask;
}

void WriteWithMode(const std::string& name, const std::string& bytes, unsigned mode) {
    WriteWholeFile(name, bytes);
    ASSERT_EQ(::chmod(name.c_str(), mode), 0);
}

// One file of the three, made read-only, and what a write of it must leave.
struct ReadOnlyCase {
    const char* name;
    const char* file;
    const char* bytes;
    std::function<void()> write;
    // Every file in the directory afterwards, with its bytes; the read-only one among them.
    std::vector<std::pair<std::string, std::string>> after;
};

const ReadOnlyCase kReadOnlyCases[] = {
    {"Record",
     "1.vnt",
     "http://e.test/|Old|1:1:2020*old page",
     [] { RewriteRecord("http://e.test/", "<p><title>New</title>new page", "1.vnt"); },
     {{"1.vnt", "http://e.test/|Old|1:1:2020*old page"}}},
    // The number is still used, and the counter keeps its value: the next add finds that
    // number's record and moves on to a free one.
    {"Counter",
     "name.ini",
     "41",
     [] {
         WriteNewRecord("http://e.test/a", "a");
         WriteNewRecord("http://e.test/b", "b");
     },
     {{"42.vnt", "http://e.test/a|untitle|8:12:2025*a"},
      {"43.vnt", "http://e.test/b|untitle|8:12:2025*b"},
      {"name.ini", "41"}}},
    {"Stamp", "time.ini", "31:12:2025", [] { WriteLastCheck(); }, {{"time.ini", "31:12:2025"}}},
};

void PrintTo(const ReadOnlyCase& c, std::ostream* os) {
    *os << c.name;
}

// Who runs the write, and how the file is made read-only for them.
enum class Writer {
    Root,         // the owner's write permission is clear; root could write through it
    OrdinaryUser, // the same, for a user the system holds to it
    NotPermitted, // the owner (root) may write, this process (an ordinary user) may not
};

void PrintTo(Writer writer, std::ostream* os) {
    const char* writers[] = {"AsRoot", "AsOrdinaryUser", "NotPermittedToThisUser"};
    *os << writers[static_cast<int>(writer)];
}

class ReadOnlyFiles : public OwnerSettings,
                      public ::testing::WithParamInterface<std::tuple<ReadOnlyCase, Writer>> {};

// Runs the write in a child process as an ordinary user; the child ends 0 once it wrote.
void WriteAsOrdinaryUser(const std::function<void()>& write) {
    if (setresgid(kOrdinaryGroup, kOrdinaryGroup, kOrdinaryGroup) != 0 ||
        setresuid(kOrdinaryUser, kOrdinaryUser, kOrdinaryUser) != 0 || geteuid() == 0) {
        std::exit(2);
    }
    write();
    std::exit(0);
}

TEST_P(ReadOnlyFiles, AreLeftExactlyAsTheyAre) {
    const auto& [c, writer] = GetParam();
    const bool root = geteuid() == 0;
    if ((writer == Writer::Root || writer == Writer::NotPermitted) && !root) {
        GTEST_SKIP() << "needs to run as root";
    }
    const unsigned mode = writer == Writer::NotPermitted ? 0644 : 0444;
    WriteWithMode(c.file, c.bytes, mode);
    if (writer == Writer::Root) {
        c.write();
    } else {
        // The ordinary user may make files in the directory, but not write the one above.
        ASSERT_EQ(::chmod(".", 0777), 0);
        if (root) {
            EXPECT_EXIT(WriteAsOrdinaryUser(c.write), ::testing::ExitedWithCode(0), "");
        } else {
            c.write();
        }
    }

    std::vector<std::string> names;
    for (const auto& [name, bytes] : c.after) {
        EXPECT_EQ(ReadWholeFile(name), bytes) << name;
        names.push_back(name);
    }
    EXPECT_EQ(NamesIn("."), names) << "nothing else, no temporary, is left in the directory";
    EXPECT_EQ(ModeOf(c.file), mode);
    if (root) {
        EXPECT_EQ(StatOf(c.file).st_uid, 0u);
    }
}

std::string
ReadOnlyCaseName(const ::testing::TestParamInfo<std::tuple<ReadOnlyCase, Writer>>& param) {
    return ::testing::PrintToString(std::get<0>(param.param)) +
           ::testing::PrintToString(std::get<1>(param.param));
}

INSTANTIATE_TEST_SUITE_P(Files, ReadOnlyFiles,
                         ::testing::Combine(::testing::ValuesIn(kReadOnlyCases),
                                            ::testing::Values(Writer::Root, Writer::OrdinaryUser,
                                                              Writer::NotPermitted)),
                         ReadOnlyCaseName);

// A file that can be written is replaced with the same permission bits, owner and group.
struct KeptFile {
    const char* file;
    const char* bytes;
    unsigned mode;
    std::function<void()> write;
    const char* after;
};

TEST_F(OwnerSettings, RewrittenFilesKeepTheirModeOwnerAndGroup) {
    const bool root = geteuid() == 0;
    const KeptFile cases[] = {
        {"1.vnt", "http://e.test/|Old|1:1:2020*old", 0600,
         [] { RewriteRecord("http://e.test/", "<p><title>New</title>new", "1.vnt"); },
         "http://e.test/|New|8:12:2025*<p><title>New</title>new"},
        {"name.ini", "41", 0640, [] { WriteNewRecord("http://e.test/", "page"); }, "42"},
        {"time.ini", "31:12:2025", 0604, [] { WriteLastCheck(); }, "8:12:2025"},
    };
    for (const KeptFile& c : cases) {
        SCOPED_TRACE(c.file);
        WriteWithMode(c.file, c.bytes, c.mode);
        if (root) {
            ASSERT_EQ(::chown(c.file, kOrdinaryUser, kOrdinaryGroup), 0);
        }
        const struct stat before = StatOf(c.file);
        c.write();
        EXPECT_EQ(ReadWholeFile(c.file), c.after);
        const struct stat after = StatOf(c.file);
        EXPECT_NE(after.st_ino, before.st_ino) << "replaced whole, not written in place";
        EXPECT_EQ(after.st_mode & 07777, c.mode);
        EXPECT_EQ(after.st_uid, before.st_uid);
        EXPECT_EQ(after.st_gid, before.st_gid);
    }
    EXPECT_EQ(ModeOf("42.vnt"), 0666u & ~CurrentUmask()) << "a new record gets the ordinary mode";
}

// A symbolic link (or a chain of them) to a file elsewhere: that file is replaced in its own
// directory, and each link stays as it was.
struct LinkedFile {
    const char* name;
    std::vector<std::pair<const char*, const char*>> links; // link, what it points to
    const char* file;                                       // where the links lead
    const char* bytes;
    std::function<void()> write;
    const char* after;
};

TEST_F(OwnerSettings, ALinkedFileIsReplacedWhereItLiesAndTheLinkStays) {
    const LinkedFile cases[] = {
        {"record",
         {{"1.vnt", "store/page.vnt"}},
         "store/page.vnt",
         "http://e.test/|Old|1:1:2020*old",
         [] { RewriteRecord("http://e.test/", "new", "1.vnt"); },
         "http://e.test/|untitle|8:12:2025*new"},
        {"stamp through two links",
         {{"time.ini", "conf/stamp-link"}, {"conf/stamp-link", "../store/stamp"}},
         "store/stamp",
         "31:12:2025",
         [] { WriteLastCheck(); },
         "8:12:2025"},
    };
    for (const LinkedFile& c : cases) {
        SCOPED_TRACE(c.name);
        std::filesystem::remove_all("store");
        std::filesystem::remove_all("conf");
        std::filesystem::create_directory("store");
        std::filesystem::create_directory("conf");
        WriteWithMode(c.file, c.bytes, 0640);
        for (const auto& [link, to] : c.links) {
            ASSERT_EQ(::symlink(to, link), 0) << link;
        }
        c.write();
        EXPECT_EQ(ReadWholeFile(c.file), c.after);
        EXPECT_EQ(ModeOf(c.file), 0640u);
        for (const auto& [link, to] : c.links) {
            ASSERT_TRUE(S_ISLNK(StatOf(link).st_mode)) << link;
            EXPECT_EQ(std::filesystem::read_symlink(link).string(), to);
            std::filesystem::remove(link);
        }
        EXPECT_EQ(NamesIn("store"),
                  std::vector<std::string>{std::filesystem::path(c.file).filename().string()})
            << "no temporary is left beside the file";
        EXPECT_TRUE(NamesIn("conf").empty());
    }
    EXPECT_EQ(NamesIn("."), (std::vector<std::string>{"conf", "store"}));
}

TEST_F(OwnerSettings, ALinkAtANewRecordsNameCountsAsTaken) {
    ASSERT_EQ(::symlink("nowhere.vnt", "1.vnt"), 0);
    WriteNewRecord("http://e.test/", "page");
    EXPECT_EQ(std::filesystem::read_symlink("1.vnt").string(), "nowhere.vnt");
    EXPECT_FALSE(FileExists("nowhere.vnt"));
    EXPECT_EQ(ReadWholeFile("2.vnt"), "http://e.test/|untitle|8:12:2025*page");
    EXPECT_EQ(ReadWholeFile("name.ini"), "2");
}

} // namespace
