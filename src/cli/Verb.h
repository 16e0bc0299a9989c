#pragma once
// A verb of varnolt-cli: its name and summary, its options and arguments declared once on its
// subcommand (they give its parsing, its --help and its errors alike), and what it runs. The
// table of verbs (Verbs) is the one list the program, its help, the manual page and the bash
// completion follow; a test holds the last two to it.

#include "records/PageRules.h"

#include <CLI/CLI.hpp>

#include <memory>
#include <optional>
#include <string>
#include <vector>

// What every verb may need from the command line as a whole.
struct VerbContext {
    std::optional<std::string> folder; // -C DIR
    long openFileLimit = 0;            // files this process may have open
};

class Verb {
public:
    virtual ~Verb() = default;
    virtual const char* Name() const = 0;
    virtual const char* Summary() const = 0;
    // Declares the verb's options and arguments on its subcommand (the footer: what --help says
    // after them).
    virtual void Declare(CLI::App& command) = 0;
    // Runs the verb once the command line is parsed; yields the exit status.
    virtual int Run(const VerbContext& context) = 0;
};

// Every verb, in the order help lists them.
std::vector<std::unique_ptr<Verb>> Verbs();

std::unique_ptr<Verb> CheckVerb();
std::unique_ptr<Verb> AddVerb();
std::unique_ptr<Verb> ListVerb();
std::unique_ptr<Verb> RemoveVerb();
std::unique_ptr<Verb> RulesVerb();
std::unique_ptr<Verb> ShowVerb();
std::unique_ptr<Verb> HistoryVerb();
std::unique_ptr<Verb> LogVerb();
std::unique_ptr<Verb> DiffVerb();
std::unique_ptr<Verb> ReportVerb();
std::unique_ptr<Verb> HelpVerb();

// Makes the records' folder the current directory, or says why not: the exit status to end with.
// A verb that writes makes the folder first, as the launcher does. A verb that only reads finds
// no pages in a Varnolt folder that does not exist yet (and ends with 0); a -C folder that is
// missing stays an error there, since a mistyped folder must not read as an empty one.
std::optional<int> EnterRecordsFolder(const VerbContext& context, bool writing);

// The rule options, for the verbs that take rules; they fill rules.
void DeclareRuleOptions(CLI::App& command, PageRules& rules);
// A check that a value is a whole number from 1 to largest, saying so in those words.
CLI::Validator WholeNumberFromOne(const std::string& unit, int largest);
// --timeout SECONDS, for the verbs that fetch.
void DeclareTimeout(CLI::App& command, int& seconds);
