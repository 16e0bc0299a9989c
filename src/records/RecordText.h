#pragma once
// Reading a page record "URL|title|date*page". The format has no escaping, and real titles often
// hold "|", so the header ends at the first "|" after the URL that is followed by a date stamp
// (digits:digits:digits) and "*". Only when no such date field exists are the fields split at
// the first separators met.

#include <string>
#include <string_view>

struct RecordFields {
    std::string_view url;   // before the first "|"; empty when there is none
    std::string_view title; // between the URL's "|" and the date's "|"
    std::string_view date;  // the date stamp, up to the "*"
    std::string_view page;  // everything after the header's "*"
    bool hasHeader = false; // a "|...|date*" header was found (the usual case)
};

// Splits a record's text (or its first part). The views point into text.
//  - With a header: the fields as above.
//  - Without one: URL before the first "|"; title between the first and second "|" (to the end
//    when there is no second one); date after the second "|" up to the next "*" (to the end
//    when there is none); page after the first "*", or the whole text when there is none.
RecordFields SplitRecord(std::string_view text);
