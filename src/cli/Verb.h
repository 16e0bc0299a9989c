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

// Where a verb works. The program sets the folder up once, before the verb runs.
enum class FolderUse {
    None,    // needs no folder of records
    Reads,   // works in the folder and never makes it: a Varnolt folder not made yet holds no pages
    MayMake, // makes the folder (and any above it) when it is missing: a verb that stores
};

// What a verb needs before it runs, carried in the table of verbs.
struct VerbNeeds {
    FolderUse folder = FolderUse::Reads;
    // Its arguments name records (by number or address): in a Varnolt folder not made yet none of
    // them exists, which is an error, never "no pages".
    bool namesRecords = false;
    // It writes records: what a crashed writer left in the folder is cleared once, before it runs.
    bool writesRecords = false;
};

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
    // What the verb needs set up before it runs, once its command line is parsed (some options
    // need more than others).
    virtual VerbNeeds Needs() const = 0;
    // The records the command line names, by number or address (a verb that names records).
    virtual std::vector<std::string> NamedRecords() const { return {}; }
    // Runs the verb once the command line is parsed and its folder set up; yields the exit
    // status.
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

// Opens the records' folder as the verb needs it, or says why not: the exit status to end with. A
// verb that may make the folder makes it first, as the launcher does. In a Varnolt folder that
// does not exist yet a verb that only reads finds no pages (and ends with 0), and one that names
// records finds none of them (2); a -C folder that is missing is an error, since a mistyped
// folder must not read as an empty one. Nothing is made for a verb that only reads.
std::optional<int> OpenFolderFor(const Verb& verb, const VerbContext& context);

// How an unknown verb is told: named, with the nearest verb when one is close.
std::string UnknownVerbWords(const std::string& name);

// The rule options, for the verbs that take rules; they fill rules.
void DeclareRuleOptions(CLI::App& command, PageRules& rules);
// A check that a value is a whole number from 1 to largest, saying so in those words.
CLI::Validator WholeNumberFromOne(const std::string& unit, int largest);
// --timeout SECONDS, for the verbs that fetch.
void DeclareTimeout(CLI::App& command, int& seconds);
