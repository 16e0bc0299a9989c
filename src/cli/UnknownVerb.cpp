// How a word that names no verb is told: with the nearest verb, when one is close enough to be
// what was meant.

#include "cli/Verb.h"

#include <algorithm>
#include <optional>
#include <string_view>

namespace {

// The edits (a letter put in, left out, changed, or two neighbours swapped) that turn a into b.
std::size_t EditDistance(std::string_view a, std::string_view b) {
    std::vector<std::vector<std::size_t>> d(a.size() + 1, std::vector<std::size_t>(b.size() + 1));
    for (std::size_t i = 0; i <= a.size(); ++i) {
        d[i][0] = i;
    }
    for (std::size_t j = 0; j <= b.size(); ++j) {
        d[0][j] = j;
    }
    for (std::size_t i = 1; i <= a.size(); ++i) {
        for (std::size_t j = 1; j <= b.size(); ++j) {
            const std::size_t change = a[i - 1] == b[j - 1] ? 0 : 1;
            d[i][j] = std::min({d[i - 1][j] + 1, d[i][j - 1] + 1, d[i - 1][j - 1] + change});
            if (i > 1 && j > 1 && a[i - 1] == b[j - 2] && a[i - 2] == b[j - 1]) {
                d[i][j] = std::min(d[i][j], d[i - 2][j - 2] + 1);
            }
        }
    }
    return d[a.size()][b.size()];
}

// The verb meant, when one is near: the only one the word begins (two letters at least), or the
// first within two edits that keep something of the word.
std::optional<std::string> NearestVerb(const std::string& name) {
    const std::vector<std::unique_ptr<Verb>> verbs = Verbs();
    std::optional<std::string> begun;
    int begunCount = 0;
    for (const std::unique_ptr<Verb>& verb : verbs) {
        if (name.size() >= 2 && std::string_view(verb->Name()).starts_with(name)) {
            begun = verb->Name();
            ++begunCount;
        }
    }
    if (begunCount == 1) {
        return begun;
    }
    std::optional<std::string> nearest;
    std::size_t best = 3;
    for (const std::unique_ptr<Verb>& verb : verbs) {
        const std::size_t distance = EditDistance(name, verb->Name());
        if (distance < best && distance < name.size()) {
            best = distance;
            nearest = verb->Name();
        }
    }
    return nearest;
}

} // namespace

std::string UnknownVerbWords(const std::string& name) {
    if (const std::optional<std::string> meant = NearestVerb(name)) {
        return "no verb '" + name + "'; did you mean '" + *meant + "'?";
    }
    return "no verb '" + name + "' (see 'varnolt-cli --help')";
}
