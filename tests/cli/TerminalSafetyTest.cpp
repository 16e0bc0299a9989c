// Text from pages, servers and records never drives the terminal: every verb that prints a title,
// an address, page text or a reason quoting them shows its controls in a visible form, on a
// terminal and in a pipe alike; --json keeps the text, as JSON escapes; show --raw prints raw
// bytes to a terminal only when asked to in so many words.

#include "CliProcess.h"
#include "JsonLines.h"
#include "records/Utf8.h"
#include "support/LoopbackServer.h"
#include "support/WorkingDirectory.h"

#include <gmock/gmock.h>
#include <nlohmann/json.hpp>

#include <filesystem>
#include <mutex>
#include <sstream>

using ::testing::HasSubstr;

namespace {

struct Sequence {
    const char* name;
    std::string raw;     // as a page or a record holds it
    std::string visible; // as the program prints it
    std::string asText;  // as the window reads it (bytes that are no UTF-8 as Latin-1): for JSON
};

const Sequence kSequences[] = {
    {"OSC title", "\x1b]0;owned\x07", "^[]0;owned^G", "\x1b]0;owned\x07"},
    {"CSI clear", "\x1b[2J\x1b[H", "^[[2J^[[H", "\x1b[2J\x1b[H"},
    {"colour", "\x1b[31mred\x1b[0m", "^[[31mred^[[0m", "\x1b[31mred\x1b[0m"},
    {"backspace", "ab\b\bXY", "ab^H^HXY", "ab\b\bXY"},
    {"bell and DEL", "\x07\x7f", "^G^?", "\x07\x7f"},
    {"C1 CSI in UTF-8",
     "\xc2\x9b"
     "2J",
     "\\u009b2J",
     "\xc2\x9b"
     "2J"},
    {"C1 CSI as a byte",
     "\x9b"
     "2J",
     "\\u009b2J",
     "\xc2\x9b"
     "2J"},
    {"bidi override",
     "\xe2\x80\xae"
     "fdp.exe",
     "\\u202efdp.exe",
     "\xe2\x80\xae"
     "fdp.exe"},
    {"bidi isolate", "\xe2\x81\xa6x\xe2\x81\xa9", "\\u2066x\\u2069", "\xe2\x81\xa6x\xe2\x81\xa9"},
    {"invalid UTF-8", "caf\xe9\xff", "caf\xc3\xa9\xc3\xbf", "caf\xc3\xa9\xc3\xbf"},
};

// What in the output could drive a terminal: a control (tab and line feed aside, when the
// output is page text line by line), a C1 control or bidi control in UTF-8, or bytes that are no
// UTF-8. Empty when there is none.
std::string RawControlIn(const std::string& output, bool linesKept) {
    if (!IsUtf8(output)) {
        return "bytes that are no UTF-8";
    }
    for (std::size_t i = 0; i < output.size(); ++i) {
        const auto c = static_cast<unsigned char>(output[i]);
        const bool lineEnd =
            c == '\n' || (c == '\r' && i + 1 < output.size() && output[i + 1] == '\n');
        const bool kept = linesKept && (lineEnd || c == '\t');
        if ((c < 0x20 || c == 0x7f) && !kept) {
            return "control byte " + std::to_string(c) + " at " + std::to_string(i);
        }
        const auto next = i + 1 < output.size() ? static_cast<unsigned char>(output[i + 1]) : 0;
        const auto third = i + 2 < output.size() ? static_cast<unsigned char>(output[i + 2]) : 0;
        if (c == 0xc2 && next >= 0x80 && next <= 0x9f) {
            return "C1 control at " + std::to_string(i);
        }
        if (c == 0xe2 && ((next == 0x80 && third >= 0xaa && third <= 0xae) ||
                          (next == 0x81 && third >= 0xa6 && third <= 0xa9))) {
            return "bidi control at " + std::to_string(i);
        }
    }
    return {};
}

// Output made of lines: each line must be free of raw controls.
std::string RawControlInLines(const std::string& output) {
    return RawControlIn(output, true);
}

// Standard error is diagnostics, one line each.
std::string RawControlInMessages(const std::string& output) {
    std::istringstream in(output);
    for (std::string line; std::getline(in, line);) {
        if (std::string found = RawControlIn(line, false); !found.empty()) {
            return found + " in \"" + line + "\"";
        }
    }
    return {};
}

// Every line of the table in one text, a line each.
std::string AllSequences(std::string (*form)(const Sequence&)) {
    std::string text;
    for (const Sequence& sequence : kSequences) {
        text += form(sequence) + "\n";
    }
    return text;
}

// A loopback server whose every path serves what the test set last.
class TerminalSafety : public InTempDirectory {
protected:
    void SetUp() override {
        m_server.Routes().Get(".*", [this](const httplib::Request&, httplib::Response& response) {
            std::lock_guard lock(m_guard);
            response.set_content(m_page, "text/html");
        });
        m_server.Start();
    }
    void Serve(std::string page) {
        std::lock_guard lock(m_guard);
        m_page = std::move(page);
    }
    CliRun Run(std::vector<std::string> arguments,
               const std::map<std::string, std::optional<std::string>>& environment = {},
               const CliWrapper& wrapper = {}) {
        arguments.insert(arguments.begin(), {"-C", m_workingDirectory.Path()});
        return RunCliProgram(arguments, environment, wrapper);
    }
    // Record i + 1 for sequence i: its address and its title carry the sequence.
    void WriteDirtyRecords(const std::string& page) {
        for (std::size_t i = 0; i < std::size(kSequences); ++i) {
            WriteWholeFile(std::to_string(i + 1) + ".vnt", DirtyUrl(kSequences[i]) + "|Shop" +
                                                               kSequences[i].raw + "|1:2:2025*" +
                                                               page);
        }
    }
    std::string DirtyUrl(const Sequence& sequence) const {
        return m_server.Url("/p?") + sequence.raw;
    }
    std::string VisibleUrl(const Sequence& sequence) const {
        return m_server.Url("/p?") + sequence.visible;
    }

    std::mutex m_guard;
    std::string m_page;
    LoopbackServer m_server;
};

TEST_F(TerminalSafety, ListAndRemoveShowTitlesAndAddressesVisibly) {
    WriteDirtyRecords("old");

    const CliRun list = Run({"list"});
    EXPECT_EQ(list.exitStatus, 0) << list.err;
    EXPECT_EQ(RawControlInLines(list.out), "");
    for (const Sequence& sequence : kSequences) {
        EXPECT_THAT(list.out, HasSubstr(VisibleUrl(sequence) + "\tShop" + sequence.visible + "\n"))
            << sequence.name;
    }

    // JSON keeps the text itself, its controls written as JSON escapes.
    const CliRun json = Run({"list", "--json"});
    EXPECT_EQ(RawControlInLines(json.out), "");
    const std::vector<nlohmann::json> listed = JsonLines(json.out);
    ASSERT_EQ(listed.size(), std::size(kSequences));
    for (std::size_t i = 0; i < listed.size(); ++i) {
        EXPECT_EQ(listed[i]["title"], "Shop" + kSequences[i].asText) << kSequences[i].name;
        EXPECT_EQ(listed[i]["url"], m_server.Url("/p?") + kSequences[i].asText)
            << kSequences[i].name;
    }

    std::vector<std::string> remove = {"remove"};
    for (std::size_t i = 0; i < std::size(kSequences); ++i) {
        remove.push_back(std::to_string(i + 1));
    }
    const CliRun removed = Run(remove);
    EXPECT_EQ(removed.exitStatus, 0) << removed.err;
    EXPECT_EQ(RawControlInLines(removed.out), "");
    for (std::size_t i = 0; i < std::size(kSequences); ++i) {
        EXPECT_THAT(removed.out, HasSubstr("removed " + std::to_string(i + 1) + " " +
                                           VisibleUrl(kSequences[i]) + "\n"))
            << kSequences[i].name;
    }
}

// The check's lines name the record's address, whatever became of its fetch; a reason on
// standard error quotes it visibly too.
TEST_F(TerminalSafety, CheckLinesShowAddressesVisiblyInEveryForm) {
    for (const std::vector<std::string>& form : std::vector<std::vector<std::string>>{
             {"check"}, {"check", "--quiet"}, {"check", "--diff"}}) {
        const std::string named = form.size() == 1 ? "check" : form[1];
        WriteDirtyRecords("old");
        Serve("new");
        const CliRun run = Run(form);
        EXPECT_NE(run.exitStatus, 0) << named;
        EXPECT_EQ(RawControlInLines(run.out), "") << named;
        EXPECT_EQ(RawControlInMessages(run.err), "") << named;
        for (const Sequence& sequence : kSequences) {
            // Every page changed or failed, so even --quiet prints each line.
            EXPECT_THAT(run.out, HasSubstr(VisibleUrl(sequence) + "\n"))
                << named << ": " << sequence.name;
        }
    }
}

TEST_F(TerminalSafety, CheckDiffShowsThePagesControlsVisiblyAndKeepsItsLines) {
    WriteWholeFile("1.vnt", m_server.Url("/page") + "|T|1:2:2025*first\tline\r\nold\n");
    Serve("first\tline\r\n" + AllSequences([](const Sequence& s) { return s.raw; }));

    const CliRun run = Run({"check", "--diff"});

    EXPECT_EQ(run.exitStatus, 1) << run.err;
    EXPECT_EQ(RawControlInLines(run.out), "");
    EXPECT_THAT(run.out, HasSubstr(" first\tline\r\n-old\n"));
    for (const Sequence& sequence : kSequences) {
        EXPECT_THAT(run.out, HasSubstr("\n+" + sequence.visible + "\n")) << sequence.name;
    }

    // The JSON form carries the diff as it is, the controls as JSON escapes.
    WriteWholeFile("1.vnt", m_server.Url("/page") + "|T|1:2:2025*old\n");
    const CliRun json = Run({"check", "--diff", "--json"});
    EXPECT_EQ(RawControlInLines(json.out), "");
    const std::vector<nlohmann::json> checked = JsonLines(json.out);
    ASSERT_EQ(checked.size(), 1u);
    EXPECT_THAT(checked[0]["diff"].get<std::string>(),
                HasSubstr("\n+" + std::string(kSequences[0].raw) + "\n"));
}

TEST_F(TerminalSafety, ShowPrintsThePageVisiblyWithItsLinesAndTabs) {
    const std::string page = "a\tb\r\n" + AllSequences([](const Sequence& s) { return s.raw; });
    WriteWholeFile("1.vnt", m_server.Url("/page") + "|T|1:2:2025*" + page);
    Serve(page);

    for (const std::vector<std::string>& form :
         std::vector<std::vector<std::string>>{{"show", "1"}, {"show", "1", "--fetch"}}) {
        const CliRun run = Run(form);
        EXPECT_EQ(run.exitStatus, 0) << run.err;
        EXPECT_EQ(run.out, "a\tb\r\n" + AllSequences([](const Sequence& s) { return s.visible; }))
            << form.size();
    }

    // Raw to a pipe: the bytes as stored.
    const CliRun raw = Run({"show", "1", "--raw"});
    EXPECT_EQ(raw.exitStatus, 0) << raw.err;
    EXPECT_EQ(raw.out, page);
}

// A reason that quotes an address given or stored shows it visibly.
TEST_F(TerminalSafety, MessagesQuoteAddressesVisibly) {
    for (const char* verb : {"log", "show", "diff", "remove", "rules"}) {
        for (const Sequence& sequence : kSequences) {
            const CliRun run = Run({verb, DirtyUrl(sequence)});
            EXPECT_EQ(run.exitStatus, 2) << verb << ": " << sequence.name;
            EXPECT_EQ(RawControlInMessages(run.err), "") << verb << ": " << sequence.name;
            EXPECT_THAT(run.err, HasSubstr("no record for " + VisibleUrl(sequence)))
                << verb << ": " << sequence.name;
        }
    }
}

TEST_F(TerminalSafety, RulesAreShownVisibly) {
    WriteWholeFile("1.vnt", m_server.Url("/page") + "|T|1:2:2025*old");
    WriteWholeFile("1.vnt.rules", "ignore \x1b]0;x\x07\n");

    const CliRun run = Run({"rules", "1"});

    EXPECT_EQ(run.exitStatus, 0) << run.err;
    EXPECT_EQ(RawControlInLines(run.out), "");
    EXPECT_THAT(run.out, HasSubstr("^[]0;x^G"));
}

class TerminalSafetyHistory : public TerminalSafety {
protected:
    // Record 1 as the first page, then checked in as the second: two versions.
    void TwoVersions(const std::string& first, const std::string& second) {
        WriteWholeFile("1.vnt", m_server.Url("/page") + "|T|1:2:2025*" + first);
        Serve(second);
        const CliRun check = Run({"check"});
        ASSERT_EQ(check.exitStatus, 1) << check.out << check.err;
    }
};

TEST_F(TerminalSafetyHistory, DiffShowsControlsVisiblyWithItsOwnColoursOnly) {
    TwoVersions("same\n", "same\n" + AllSequences([](const Sequence& s) { return s.raw; }));

    const CliRun piped = Run({"diff", "1"});
    EXPECT_EQ(piped.exitStatus, 1) << piped.err;
    EXPECT_EQ(RawControlInLines(piped.out), "");
    for (const Sequence& sequence : kSequences) {
        EXPECT_THAT(piped.out, HasSubstr("\n+" + sequence.visible + "\n")) << sequence.name;
    }

    if (!std::filesystem::exists("/usr/bin/script")) {
        GTEST_SKIP() << "script(1) is missing: the diff on a terminal is not tried";
    }
    const CliWrapper onTerminal = {"sh", "-c", "exec script -qec \"$*\" /dev/null", "sh"};
    const CliRun coloured = Run({"diff", "1"}, {{"NO_COLOR", std::nullopt}}, onTerminal);
    EXPECT_THAT(coloured.out, HasSubstr("\x1b[32m+" + kSequences[0].visible + "\x1b[0m"));
    // Without the diff's own colours, nothing drives the terminal.
    std::string rest = coloured.out;
    for (const std::string colour : {"\x1b[1m", "\x1b[31m", "\x1b[32m", "\x1b[36m", "\x1b[0m"}) {
        for (std::size_t at = rest.find(colour); at != std::string::npos; at = rest.find(colour)) {
            rest.erase(at, colour.size());
        }
    }
    EXPECT_EQ(RawControlInLines(rest), "");
}

TEST_F(TerminalSafety, ShowRawToATerminalIsRefusedUnlessAskedFor) {
    if (!std::filesystem::exists("/usr/bin/script")) {
        GTEST_SKIP() << "script(1) is missing: no terminal to try";
    }
    const std::string page = "page\x1b]0;owned\x07\x1b[2J";
    WriteWholeFile("1.vnt", m_server.Url("/page") + "|T|1:2:2025*" + page);
    const CliWrapper onTerminal = {"sh", "-c", "exec script -qec \"$*\" /dev/null", "sh"};

    // script prints the program's standard error on the terminal too.
    const CliRun refused = Run({"show", "1", "--raw"}, {}, onTerminal);
    EXPECT_EQ(refused.exitStatus, 2);
    EXPECT_THAT(refused.out, HasSubstr("--raw-to-terminal"));
    EXPECT_EQ(refused.out.find("page\x1b"), std::string::npos);

    const CliRun asked = Run({"show", "1", "--raw", "--raw-to-terminal"}, {}, onTerminal);
    EXPECT_EQ(asked.exitStatus, 0);
    EXPECT_THAT(asked.out, HasSubstr(page));

    // The page as the checks see it is shown, on a terminal as in a pipe.
    const CliRun shown = Run({"show", "1"}, {}, onTerminal);
    EXPECT_EQ(shown.exitStatus, 0);
    EXPECT_THAT(shown.out, HasSubstr("page^[]0;owned^G^[[2J"));
    EXPECT_EQ(shown.out.find('\x1b'), std::string::npos);

    // The flag is for --raw alone.
    EXPECT_EQ(Run({"show", "1", "--raw-to-terminal"}).exitStatus, 2);
}

} // namespace
