// varnolt-cli diff: what changed between two versions of a page, as its checks compare them.

#include "changes/LineDiff.h"
#include "cli/Cli.h"
#include "cli/Commands.h"
#include "cli/Verb.h"
#include "platform/console/Terminal.h"
#include "platform/console/TerminalText.h"
#include "platform/system/LocalTime.h"
#include "platform/system/PageLimits.h"

#include <cstdlib>
#include <iostream>

namespace {

class Diff final : public Verb {
public:
    const char* Name() const override { return "diff"; }
    const char* Summary() const override {
        return "show what changed between two versions of a page";
    }
    void Declare(CLI::App& command) override {
        command.add_option("URL|NUMBER", m_target, "the record's number or address")->required();
        command.add_option("--from", m_options.from, "the version before (2: the one replaced)")
            ->type_name("K")
            ->check(WholeNumberFromOne("versions", kMostKeptVersions))
            ->capture_default_str();
        command.add_option("--to", m_options.to, "the version after (1: the stored copy)")
            ->type_name("K")
            ->check(WholeNumberFromOne("versions", kMostKeptVersions))
            ->capture_default_str();
        command.footer("A unified diff of the two versions as the page's checks compare them (its\n"
                       "rules applied; letter case ignored). Versions are numbered as 'log' lists\n"
                       "them. Removed lines are red and added ones green on a terminal, unless\n"
                       "NO_COLOR is set. Exit status 0 when they do not differ, 1 when they do.");
    }
    VerbNeeds Needs() const override { return {FolderUse::Reads, true}; }
    std::vector<std::string> NamedRecords() const override { return {m_target}; }
    int Run(const VerbContext& /*context*/) override {
        const char* noColour = std::getenv("NO_COLOR");
        m_options.colour =
            StandardOutputIsTerminal() && (noColour == nullptr || noColour[0] == '\0');
        return RunDiff(m_target, m_options);
    }

private:
    std::string m_target;
    DiffOptions m_options;
};

// The diff with its removed lines red and its added ones green.
std::string Coloured(std::string_view diff) {
    std::string coloured;
    while (!diff.empty()) {
        const std::size_t end = diff.find('\n');
        const std::string_view line = diff.substr(0, end);
        diff = end == std::string_view::npos ? std::string_view() : diff.substr(end + 1);
        const bool header = line.starts_with("---") || line.starts_with("+++");
        const char* colour = header                  ? "\x1b[1m"
                             : line.starts_with('-') ? "\x1b[31m"
                             : line.starts_with('+') ? "\x1b[32m"
                             : line.starts_with('@') ? "\x1b[36m"
                                                     : nullptr;
        if (colour != nullptr) {
            coloured += colour;
            coloured += line;
            coloured += "\x1b[0m\n";
        } else {
            coloured += line;
            coloured += '\n';
        }
    }
    return coloured;
}

} // namespace

int RunDiff(const std::string& target, const DiffOptions& options) {
    const std::optional<PageVersions> page = VersionsOf(target, "compared");
    if (!page) {
        return kExitTrouble;
    }
    const int count = static_cast<int>(page->versions.size());
    if (count == 1 && options.from == 2 && options.to == 1) {
        Complain("the page " + page->url + " has no earlier version yet");
        return kExitTrouble;
    }
    for (const int number : {options.from, options.to}) {
        if (number > count) {
            Complain("the page " + page->url + " has no version " + std::to_string(number) +
                     " (it has " + std::to_string(count) + "; see 'varnolt-cli log')");
            return kExitTrouble;
        }
    }
    const PageVersion& from = page->versions[static_cast<std::size_t>(options.from - 1)];
    const PageVersion& to = page->versions[static_cast<std::size_t>(options.to - 1)];
    const std::optional<std::string> before = SeenVersion(*page, from);
    if (!before) {
        return kExitTrouble;
    }
    const std::optional<std::string> after = SeenVersion(*page, to);
    if (!after) {
        return kExitTrouble;
    }
    const auto name = [&](const PageVersion& version) {
        return page->url + " version " + std::to_string(version.number) + " (" +
               LocalDateTimeText(version.storedAt) + ")";
    };
    // The pages' text made safe before the diff's own colours are added.
    const std::string diff = VisibleLines(UnifiedDiff(*before, *after, name(from), name(to)));
    if (diff.find("\n@@") == std::string::npos) {
        return kExitSame; // only the two names: nothing differs
    }
    std::cout << (options.colour ? Coloured(diff) : diff);
    std::cout.flush();
    return kExitChanged;
}

std::unique_ptr<Verb> DiffVerb() {
    return std::make_unique<Diff>();
}
