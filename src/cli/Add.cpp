// varnolt-cli add: the window's Add URL, for several pages at once, with rules if given.

#include "check/AddPage.h"
#include "check/AddRun.h"
#include "check/CheckPage.h"
#include "check/RuledPage.h"
#include "cli/Cli.h"
#include "cli/Commands.h"
#include "cli/Verb.h"
#include "platform/console/TerminalText.h"
#include "platform/system/FileException.h"
#include "platform/system/PageLimits.h"
#include "records/Catalogue.h"

#include <iostream>

namespace {

class Add final : public Verb {
public:
    const char* Name() const override { return "add"; }
    const char* Summary() const override { return "fetch pages and store them as new records"; }
    void Declare(CLI::App& command) override {
        command.add_option("URL", m_urls, "the addresses of the pages")->required();
        DeclareTimeout(command, m_options.timeoutSeconds);
        command.add_flag("--again", m_options.again,
                         "add a page even when its address is watched already");
        DeclareRuleOptions(command, m_options.rules);
        command.footer(
            "Prints the address of each page stored. A missing page prints \"File Not Found\n"
            "URL\", another answer \"Page Error URL\", one that does not arrive in time \"Time\n"
            "Out URL\"; a page that cannot be fetched is explained on standard error. The\n"
            "pages are fetched side by side and stored and reported in the order given. An\n"
            "address watched already prints \"already watched as record N URL\" and is not\n"
            "added again (unless --again), which is no failure.\n"
            "Rules are stored with each page; a rule that matches nothing on it stores nothing\n"
            "('varnolt-cli rules --help' says what each does).\n"
            "\n"
            "Exit status: 0 every page stored, 2 a page was not stored.");
    }
    VerbNeeds Needs() const override { return {FolderUse::MayMake, false, true}; }
    int Run(const VerbContext& /*context*/) override { return RunAdd(m_urls, m_options); }

private:
    std::vector<std::string> m_urls;
    AddOptions m_options;
};

} // namespace

// The record that watches the address already, if one does (as the window's lookup finds it).
std::optional<std::string> WatchedAs(const std::string& url) {
    std::string fileName;
    std::string title;
    std::string date;
    try {
        if (FindRecordByUrl(url, fileName, title, date)) {
            return fileName;
        }
    } catch (const CFileException&) {
        // A record that cannot be read now is no reason not to add the page.
    }
    return std::nullopt;
}

int RunAdd(const std::vector<std::string>& urls, const AddOptions& options) {
    if (const std::string error = RulesError(options.rules); !error.empty()) {
        Complain(error + "; nothing added");
        return kExitTrouble;
    }
    // The addresses to fetch, by their place among those given; the others are watched already.
    std::vector<std::string> toFetch;
    std::vector<std::size_t> places;
    std::vector<std::optional<std::string>> watched(urls.size());
    for (std::size_t i = 0; i < urls.size(); ++i) {
        if (!options.again) {
            watched[i] = WatchedAs(urls[i]);
        }
        if (!watched[i]) {
            toFetch.push_back(urls[i]);
            places.push_back(i);
        }
    }
    std::size_t nextToSay = 0;
    const auto sayWatchedUpTo = [&](std::size_t place) {
        for (; nextToSay < place; ++nextToSay) {
            std::cout << "already watched as record " << RecordLabel(*watched[nextToSay]) << ' '
                      << VisibleLine(urls[nextToSay]) << '\n';
        }
        nextToSay = place + 1;
    };
    int status = kExitSame;
    const SteadyMillisecondClock clock;
    // The pages come side by side, and are stored and reported in the order they were given.
    // Held ahead within a check's bounds, at the command line's number of fetches at once.
    CheckLimits limits;
    limits.fetchesAtOnce = kCommandLineFetchesAtOnce;
    FetchPagesInOrder(toFetch, clock, CliDeadlineRule(options.timeoutSeconds), limits,
                      [&](std::size_t index, FetchOutcome outcome) {
                          sayWatchedUpTo(places[index]);
                          const std::string& url = toFetch[index];
                          const std::string shown = VisibleLine(url);
                          const PageAdd add =
                              StoreFetchedPage(url, std::move(outcome), options.rules);
                          switch (add.result) {
                          case PageAdd::Result::Stored:
                              std::cout << shown << '\n';
                              break;
                          case PageAdd::Result::NotFound:
                              std::cout << "File Not Found " << shown << '\n';
                              status = kExitTrouble;
                              break;
                          case PageAdd::Result::BadStatus:
                              std::cout << "Page Error " << shown << '\n';
                              Complain(url + ": " + StatusReason(add.status));
                              status = kExitTrouble;
                              break;
                          case PageAdd::Result::TimedOut:
                              std::cout << "Time Out " << shown << '\n';
                              status = kExitTrouble;
                              break;
                          case PageAdd::Result::Failed:
                              Complain(OneLine(add.reason));
                              status = kExitTrouble;
                              break;
                          }
                          std::cout.flush();
                      });
    sayWatchedUpTo(urls.size());
    std::cout.flush();
    return status;
}

std::unique_ptr<Verb> AddVerb() {
    return std::make_unique<Add>();
}
