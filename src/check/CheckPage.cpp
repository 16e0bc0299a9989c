#include "check/CheckPage.h"

#include "check/RecordComparison.h"
#include "records/PageHistory.h"
#include "records/PageRules.h"
#include "records/RecordWriter.h"

#include <map>
#include <utility>

PageCheck CheckFetchedPage(const std::string& url, const std::string& recordFileName,
                           std::string_view storedHead, const std::string& storedPage,
                           const FileIdentity& storedFile, FetchOutcome outcome,
                           const RuleDeadline& deadline) {
    PageCheck check;
    switch (outcome.kind) {
    case FetchOutcome::Kind::Received: {
        const RulesReading rules = ReadRecordRules(recordFileName);
        PageComparison comparison = rules.failure.empty()
                                        ? CompareWithRecord(recordFileName, rules.rules, storedPage,
                                                            outcome.strPage, deadline)
                                        : PageComparison{false, rules.failure, {}, {}};
        if (!comparison.failure.empty()) {
            check.result = PageCheck::Result::Failed;
            check.line = "Error " + url;
            check.reason = "The page " + url + " was not compared: " + comparison.failure + ".";
            check.rulesFailed = true;
            break;
        }
        if (comparison.same) {
            check.result = PageCheck::Result::Same;
            check.line = url;
            break;
        }
        const RecordReading<HistoryLimits> limits = ReadHistoryLimits();
        if (limits.Failed()) {
            check.result = PageCheck::Result::Failed;
            check.line = "Error " + url;
            check.reason = "The page " + url + " was not stored: " + limits.failure + ".";
            check.writeFailed = true;
            break;
        }
        OldCopy oldCopy{storedHead, storedPage, *limits.value};
        const WriteResult written =
            RewriteRecord(url, std::move(outcome.strPage), recordFileName, storedFile, &oldCopy);
        if (written.IsFailed()) {
            check.result = PageCheck::Result::Failed;
            check.line = "Error " + url;
            check.reason = oldCopy.keepFailed ? KeepFailureMessage(url, written.Error())
                                              : StoreFailureMessage(url, written.Error());
            check.writeFailed = true;
            break;
        }
        // Read-only, held or gone: changed, and the record stays as it was (or absent).
        check.stored = written.IsStored();
        if (oldCopy.pruneError != 0) {
            check.reason = "The page " + url +
                           " was stored, but its oldest kept versions could not be removed: " +
                           RecordWriteFailureText(oldCopy.pruneError) + ".";
        }
        check.result = PageCheck::Result::Changed;
        check.line = "UPDATE " + url;
        check.ruled = !rules.rules.Empty();
        check.seenBefore = std::move(comparison.seenBefore);
        check.seenNow = std::move(comparison.seenNow);
        break;
    }
    case FetchOutcome::Kind::NotModified:
        // The caller sent the validators of exactly this stored copy, and the server vouched
        // that its page is still that copy.
        check.result = PageCheck::Result::Same;
        check.line = url;
        break;
    case FetchOutcome::Kind::BadStatus:
        check.result = PageCheck::Result::PageError;
        check.line = "Page Error " + url;
        check.reason = StatusReason(outcome.nStatus);
        break;
    case FetchOutcome::Kind::TimedOut:
        check.result = PageCheck::Result::TimedOut;
        check.line = "Time Out";
        break;
    case FetchOutcome::Kind::InternetFailure:
        check.result = PageCheck::Result::Failed;
        check.line = "Error " + url;
        check.reason = std::move(outcome.strErrorMessage);
        break;
    }
    return check;
}

PageCheck RecordReadFailure(const std::string& name, std::string reason) {
    PageCheck check;
    check.result = PageCheck::Result::Failed;
    check.line = "Error " + name;
    check.reason = std::move(reason);
    check.readFailed = true;
    return check;
}

std::string StatusReason(std::optional<int> status) {
    if (!status) {
        return "the server's answer had no status";
    }
    // The reason phrases of the statuses a page fetch meets (RFC 9110).
    static const std::map<int, const char*> kPhrases = {{201, "Created"},
                                                        {202, "Accepted"},
                                                        {203, "Non-Authoritative Information"},
                                                        {204, "No Content"},
                                                        {206, "Partial Content"},
                                                        {300, "Multiple Choices"},
                                                        {301, "Moved Permanently"},
                                                        {302, "Found"},
                                                        {303, "See Other"},
                                                        {304, "Not Modified"},
                                                        {307, "Temporary Redirect"},
                                                        {308, "Permanent Redirect"},
                                                        {400, "Bad Request"},
                                                        {401, "Unauthorized"},
                                                        {402, "Payment Required"},
                                                        {403, "Forbidden"},
                                                        {404, "Not Found"},
                                                        {405, "Method Not Allowed"},
                                                        {406, "Not Acceptable"},
                                                        {407, "Proxy Authentication Required"},
                                                        {408, "Request Timeout"},
                                                        {409, "Conflict"},
                                                        {410, "Gone"},
                                                        {411, "Length Required"},
                                                        {412, "Precondition Failed"},
                                                        {413, "Content Too Large"},
                                                        {414, "URI Too Long"},
                                                        {415, "Unsupported Media Type"},
                                                        {416, "Range Not Satisfiable"},
                                                        {418, "I'm a teapot"},
                                                        {421, "Misdirected Request"},
                                                        {422, "Unprocessable Content"},
                                                        {425, "Too Early"},
                                                        {426, "Upgrade Required"},
                                                        {429, "Too Many Requests"},
                                                        {431, "Request Header Fields Too Large"},
                                                        {451, "Unavailable For Legal Reasons"},
                                                        {500, "Internal Server Error"},
                                                        {501, "Not Implemented"},
                                                        {502, "Bad Gateway"},
                                                        {503, "Service Unavailable"},
                                                        {504, "Gateway Timeout"},
                                                        {505, "HTTP Version Not Supported"}};
    const auto phrase = kPhrases.find(*status);
    return "the server answered " + std::to_string(*status) +
           (phrase != kPhrases.end() ? std::string(" ") + phrase->second : std::string());
}

std::string KeepFailureMessage(const std::string& url, int error) {
    return "The page " + url + " was not stored, since its earlier copy could not be kept: " +
           RecordWriteFailureText(error) + ".";
}

std::string StoreFailureMessage(const std::string& url, int error) {
    return "The page " + url + " could not be stored: " + RecordWriteFailureText(error) + ".";
}
