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

// What a writer stores for a URL and a title so that SplitRecord gives every field back as
// stored, with the least change to them:
//  - the URL with each "|" written "%7C" and each line feed "%0A" (the same web address; a bare
//    "|" would end the URL early, and a line feed would hide the record from the page list);
//  - the title with a space put before the "*" of each "|digits:digits:digits*" inside it, which
//    would otherwise be taken for the end of the header. Every other title is stored verbatim.
std::string StoredUrl(std::string_view url);
std::string StoredTitle(std::string_view title);

// The whole text of a record: StoredUrl, "|", StoredTitle, "|", the date stamp, "*", the page.
// For a date stamp "digits:digits:digits", SplitRecord of it yields StoredUrl(url),
// StoredTitle(title), date and page.
std::string ComposeRecord(std::string_view url, std::string_view title, std::string_view date,
                          std::string_view page);
