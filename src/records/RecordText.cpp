#include "records/RecordText.h"

#include <cctype>
#include <string>

namespace {

// Length of "digits:digits:digits" at the start of text followed by "*", or 0 when it is not.
std::size_t DateFieldLength(std::string_view text) {
    std::size_t i = 0;
    for (int group = 0; group < 3; ++group) {
        const std::size_t start = i;
        while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])) != 0) {
            ++i;
        }
        if (i == start) {
            return 0;
        }
        const char expected = group < 2 ? ':' : '*';
        if (i >= text.size() || text[i] != expected) {
            return 0;
        }
        if (group < 2) {
            ++i;
        }
    }
    return i;
}

std::string_view Between(std::string_view text, std::size_t from, std::size_t to) {
    if (from >= text.size()) {
        return {};
    }
    return text.substr(from, to == std::string_view::npos ? std::string_view::npos : to - from);
}

} // namespace

RecordFields SplitRecord(std::string_view text) {
    RecordFields fields;
    const std::size_t urlEnd = text.find('|');
    if (urlEnd == std::string_view::npos) {
        const std::size_t star = text.find('*');
        fields.page = star == std::string_view::npos ? text : text.substr(star + 1);
        return fields;
    }
    fields.url = text.substr(0, urlEnd);

    for (std::size_t bar = text.find('|', urlEnd + 1); bar != std::string_view::npos;
         bar = text.find('|', bar + 1)) {
        const std::size_t dateLength = DateFieldLength(text.substr(bar + 1));
        if (dateLength != 0) {
            fields.title = Between(text, urlEnd + 1, bar);
            fields.date = text.substr(bar + 1, dateLength);
            fields.page = text.substr(bar + 1 + dateLength + 1);
            fields.hasHeader = true;
            return fields;
        }
    }

    const std::size_t titleEnd = text.find('|', urlEnd + 1);
    fields.title = Between(text, urlEnd + 1, titleEnd);
    if (titleEnd != std::string_view::npos) {
        fields.date = Between(text, titleEnd + 1, text.find('*', titleEnd + 1));
    }
    const std::size_t star = text.find('*');
    fields.page = star == std::string_view::npos ? text : text.substr(star + 1);
    return fields;
}

std::string StoredUrl(std::string_view url) {
    std::string stored;
    stored.reserve(url.size());
    for (const char c : url) {
        if (c == '|') {
            stored += "%7C";
        } else if (c == '\n') {
            stored += "%0A";
        } else {
            stored += c;
        }
    }
    return stored;
}

std::string StoredTitle(std::string_view title) {
    std::string stored;
    stored.reserve(title.size());
    std::size_t done = 0;
    for (std::size_t bar = title.find('|'); bar != std::string_view::npos;
         bar = title.find('|', bar + 1)) {
        const std::size_t dateLength = DateFieldLength(title.substr(bar + 1));
        if (dateLength != 0) {
            const std::size_t star = bar + 1 + dateLength; // the "*" that would end a header
            stored.append(title.substr(done, star - done));
            stored += ' ';
            done = star;
        }
    }
    stored.append(title.substr(done));
    return stored;
}

std::string ComposeRecord(std::string_view url, std::string_view title, std::string_view date,
                          std::string_view page) {
    std::string record = StoredUrl(url);
    record += '|';
    record += StoredTitle(title);
    record += '|';
    record += date;
    record += '*';
    record += page;
    return record;
}
