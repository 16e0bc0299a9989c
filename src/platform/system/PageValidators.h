#pragma once
// What a server said identifies the copy of a page it sent (its ETag and Last-Modified header
// values), so that a later request can ask "has it changed since?". Plain text as sent, never
// holding a line end; empty when the server sent none. Shared by the fetch, which sends and
// receives them, and the records, which keep them beside a stored copy.

#include <string>

struct PageValidators {
    std::string etag;
    std::string lastModified;

    bool Empty() const { return etag.empty() && lastModified.empty(); }
    bool operator==(const PageValidators&) const = default;
};
