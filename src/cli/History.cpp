// varnolt-cli history: how many earlier versions of each page are kept, and how many bytes.

#include "cli/Cli.h"
#include "cli/Commands.h"
#include "cli/Verb.h"
#include "platform/system/PageLimits.h"
#include "records/PageHistory.h"
#include "records/RecordWriter.h"

#include <cstdio>
#include <iostream>

namespace {

constexpr std::uint64_t kMiB = std::uint64_t{1} << 20;

class History final : public Verb {
public:
    const char* Name() const override { return "history"; }
    const char* Summary() const override {
        return "show or set how many earlier versions of each page are kept";
    }
    void Declare(CLI::App& command) override {
        command.add_option("--keep", m_keep, "keep N earlier versions of each page (0: none)")
            ->type_name("N")
            ->check(CLI::Range(0, kMostKeptVersions));
        command.add_option("--max-mib", m_maxMiB, "let each page's versions take at most M MiB")
            ->type_name("M")
            ->check(CLI::Range(std::uint64_t{0}, std::uint64_t{1} << 40));
        command.footer("Without options, prints the folder's setting. Before a check replaces a\n"
                       "page's stored copy, the copy is kept in the page's history; the oldest go\n"
                       "first beyond these limits (by default 20 versions and 50 MiB a page).\n"
                       "--keep 0 turns the history off. See 'log' and 'diff'.");
    }
    // Setting the history may make the folder; showing it only reads.
    VerbNeeds Needs() const override {
        return {m_keep || m_maxMiB ? FolderUse::MayMake : FolderUse::Reads, false};
    }
    int Run(const VerbContext& /*context*/) override { return RunHistory(m_keep, m_maxMiB); }

private:
    std::optional<int> m_keep;
    std::optional<std::uint64_t> m_maxMiB;
};

std::string MiBText(std::uint64_t bytes) {
    if (bytes % kMiB == 0) {
        return std::to_string(bytes / kMiB);
    }
    char text[32];
    std::snprintf(text, sizeof text, "%.2f",
                  static_cast<double>(bytes) / static_cast<double>(kMiB));
    return text;
}

} // namespace

int RunHistory(std::optional<int> keep, std::optional<std::uint64_t> maxMiB) {
    RecordReading<HistoryLimits> limits = ReadHistoryLimits();
    if (limits.Failed()) {
        Complain(limits.failure);
        if (!keep || !maxMiB) {
            return kExitTrouble; // a setting given whole replaces the one that cannot be read
        }
        limits.value.emplace();
    }
    if (!keep && !maxMiB) {
        std::cout << "keep " << limits.value->keep << "\nmax-mib "
                  << MiBText(limits.value->maxBytes) << '\n';
        std::cout.flush();
        return kExitSame;
    }
    if (keep) {
        limits.value->keep = *keep;
    }
    if (maxMiB) {
        limits.value->maxBytes = *maxMiB * kMiB;
    }
    if (const int error = WriteHistoryLimits(*limits.value); error != 0) {
        Complain("the history setting could not be written: " + RecordWriteFailureText(error));
        return kExitTrouble;
    }
    return kExitSame;
}

std::unique_ptr<Verb> HistoryVerb() {
    return std::make_unique<History>();
}
