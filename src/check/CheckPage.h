#pragma once
// What one record's check found, and the line that reports it. Shared by every program that
// checks records, so that all of them decide "same or changed, which line, rewrite or not" alike.

#include "check/RuleDeadline.h"
#include "fetch/FetchOutcome.h"
#include "platform/system/ExclusiveFile.h"

#include <optional>
#include <string>
#include <string_view>

struct PageCheck {
    enum class Result { Same, Changed, PageError, TimedOut, Failed };
    Result result = Result::Failed;
    std::string line;   // the window's status line: URL, "UPDATE " + URL, "Page Error " + URL,
                        // "Time Out", or "Error " + URL
    std::string reason; // Failed: what the window's message box says (fetch or write failure);
                        // PageError: the status in words
    bool writeFailed = false; // Failed because the changed page could not be stored
    bool readFailed = false;  // Failed because the record could not be read
    bool rulesFailed = false; // Failed because the page's rules could not be applied to it
    bool stored = false;      // Changed, and the record now holds the new page
    // For a page with rules that changed: what the comparison saw of the stored copy and of the
    // fresh page (empty otherwise; the pages themselves were compared then).
    bool ruled = false;
    std::string seenBefore;
    std::string seenNow;
};

// Compares the fetched page with the stored copy ignoring letter case, each as the record's rules
// see it (the page whole when it has none), and, when it changed, rewrites the record with the
// page as it came; yields what to report. Rules that cannot be read or applied to the fetched
// page (one that matches nothing, say) make the result Failed with the line "Error " + URL and
// the reason naming the rule; the record stays as it was. So do rules that run past the deadline.
// A record its owner made read-only, one held open elsewhere at that moment, or one that is no
// longer the file storedPage was read from (storedFile; removed or replaced meanwhile) is
// "Changed", not stored, and stays as it was (or absent). A changed page whose copy cannot be
// stored, for any reason the system gives, is Failed with writeFailed set, the line "Error " +
// URL, and a reason that names the address and says why in plain words; the old record is then
// left exactly as it was. A changed page stored while an old kept version could not be removed is
// Changed with that in the reason. A NotModified outcome is Same: the caller sends validators only
// for the stored copy they came with, and checks that storedPage is still that copy.
//
// Before a changed page replaces the record, the record's text as it was read (storedHead, its
// text up to and including the "*", then storedPage) is kept in the page's history within the
// folder's history setting. When it cannot be kept (or the setting cannot be read), the result is
// Failed with writeFailed set, the line "Error " + URL and a reason that says so; the record stays
// as it was.
PageCheck CheckFetchedPage(const std::string& url, const std::string& recordFileName,
                           std::string_view storedHead, const std::string& storedPage,
                           const FileIdentity& storedFile, FetchOutcome outcome,
                           const RuleDeadline& deadline = {});

// A record that could not be read, so its page was not checked: Failed, the line "Error " and
// what names it (its URL, or its file name when even that could not be read), and the reason.
PageCheck RecordReadFailure(const std::string& name, std::string reason);

// What a status other than 200 says, in words ("the server answered 404 Not Found").
std::string StatusReason(std::optional<int> status);

// The message-box text for a page that could not be stored, naming the address and the reason.
std::string StoreFailureMessage(const std::string& url, int error);
// The same for a page not stored because the copy it would replace could not be kept.
std::string KeepFailureMessage(const std::string& url, int error);
