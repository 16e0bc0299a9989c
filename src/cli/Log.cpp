// varnolt-cli log: a page's versions, newest first, and how many lines each changed.

#include "changes/LineDiff.h"
#include "cli/Cli.h"
#include "cli/Commands.h"
#include "cli/Verb.h"
#include "platform/system/LocalTime.h"

#include <iostream>

namespace {

class Log final : public Verb {
public:
    const char* Name() const override { return "log"; }
    const char* Summary() const override {
        return "list a page's versions, newest first, with the lines each changed";
    }
    void Declare(CLI::App& command) override {
        command.add_option("URL|NUMBER", m_target, "the record's number or address")->required();
        command.add_flag("--json", m_json,
                         "one JSON object a line: version, file, stored, bytes, added, removed");
        command.footer(
            "One line a version, newest first (1 is the stored copy, 2 the one it replaced):\n"
            "version, when it was stored, its size in bytes, and the lines added and removed\n"
            "since the version before it, as the page's checks compare them (its rules\n"
            "applied), separated by tabs; \"-\" for the oldest. See 'diff'.");
    }
    VerbNeeds Needs() const override { return {FolderUse::Reads, true}; }
    std::vector<std::string> NamedRecords() const override { return {m_target}; }
    int Run(const VerbContext& /*context*/) override { return RunLog(m_target, m_json); }

private:
    std::string m_target;
    bool m_json = false;
};

} // namespace

int RunLog(const std::string& target, bool json) {
    const std::optional<PageVersions> page = VersionsOf(target, "logged");
    if (!page) {
        return kExitTrouble;
    }
    // Oldest first, so each is seen once and compared with the one before it; printed newest
    // first.
    std::vector<std::optional<LineCounts>> counts(page->versions.size());
    std::optional<std::string> before;
    for (std::size_t i = page->versions.size(); i-- > 0;) {
        std::optional<std::string> seen = SeenVersion(*page, page->versions[i]);
        if (!seen) {
            return kExitTrouble;
        }
        if (before) {
            counts[i] = CountChangedLines(DiffLines(*before, *seen));
        }
        before = std::move(seen);
    }
    for (std::size_t i = 0; i < page->versions.size(); ++i) {
        const PageVersion& version = page->versions[i];
        const std::string stored = LocalDateTimeText(version.storedAt);
        if (json) {
            nlohmann::json object = {{"version", version.number}, {"file", version.fileName},
                                     {"stored", stored},          {"storedAt", version.storedAt},
                                     {"bytes", version.bytes},    {"added", nullptr},
                                     {"removed", nullptr}};
            if (counts[i]) {
                object["added"] = counts[i]->added;
                object["removed"] = counts[i]->removed;
            }
            PrintJsonLine(object);
        } else {
            std::cout << version.number << '\t' << stored << '\t' << version.bytes << '\t'
                      << (counts[i] ? "+" + std::to_string(counts[i]->added) : "-") << '\t'
                      << (counts[i] ? "-" + std::to_string(counts[i]->removed) : "-") << '\n';
        }
    }
    std::cout.flush();
    return kExitSame;
}

std::unique_ptr<Verb> LogVerb() {
    return std::make_unique<Log>();
}
