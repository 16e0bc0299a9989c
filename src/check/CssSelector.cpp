#include "check/CssSelector.h"

#include "records/Utf8.h"

#include <cctype>
#include <string_view>
#include <vector>

namespace {

constexpr std::string_view kSubset =
    "type, *, #id, .class, [attr], [attr=value], [attr~=value], descendant, >, and ,";

// Letters of ids, classes and bare values: any text letter, other alphabets too.
bool IsNameChar(char c) {
    const auto u = static_cast<unsigned char>(c);
    return std::isalnum(u) != 0 || c == '-' || c == '_' || u >= 0x80;
}

// Letters of element and attribute names, which XPath takes only from ASCII here.
bool IsAsciiNameChar(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) != 0 || c == '-' || c == '_';
}

// What an element or attribute name may start with: no digit, no hyphen.
bool StartsName(char c) {
    return std::isalpha(static_cast<unsigned char>(c)) != 0 || c == '_';
}

// An XPath string literal for any text: quoted with whichever quote it lacks, or put together
// with concat() when it holds both.
std::string Literal(std::string_view text) {
    if (text.find('\'') == std::string_view::npos) {
        return "'" + std::string(text) + "'";
    }
    if (text.find('"') == std::string_view::npos) {
        return "\"" + std::string(text) + "\"";
    }
    std::string joined = "concat(";
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t quote = text.find('\'', start);
        const std::string_view part = text.substr(start, quote - start);
        if (!part.empty()) {
            joined += "'" + std::string(part) + "',";
        }
        if (quote == std::string_view::npos) {
            break;
        }
        joined += "\"'\",";
        start = quote + 1;
    }
    joined.back() = ')';
    return joined;
}

// A word in a space-separated list attribute (class, or ~=).
std::string HasWord(const std::string& attribute, std::string_view word) {
    return "[contains(concat(' ',normalize-space(@" + attribute + "),' '),concat(' '," +
           Literal(word) + ",' '))]";
}

class Translator {
public:
    explicit Translator(std::string_view selector) : m_in(selector) {}

    CssTranslation Run() {
        if (!IsUtf8(m_in)) {
            return {{}, "the CSS selector is not UTF-8 text"};
        }
        for (const char c : m_in) {
            // XPath takes no other control character, in a value either.
            if (static_cast<unsigned char>(c) < 0x20 && c != '\t' && c != '\n' && c != '\r') {
                return {{}, "the CSS selector holds a control character"};
            }
        }
        std::vector<std::string> alternatives;
        for (;;) {
            std::string path;
            if (!Selector(path)) {
                return {{}, m_error};
            }
            alternatives.push_back(path);
            SkipBlanks();
            if (AtEnd()) {
                break;
            }
            ++m_at; // a comma: Selector stops only there or at the end
        }
        std::string xpath;
        for (const std::string& path : alternatives) {
            xpath += (xpath.empty() ? "" : " | ") + path;
        }
        return {xpath, {}};
    }

private:
    bool AtEnd() const { return m_at >= m_in.size(); }
    char Peek() const { return AtEnd() ? '\0' : m_in[m_at]; }
    void SkipBlanks() {
        while (!AtEnd() && std::isspace(static_cast<unsigned char>(m_in[m_at])) != 0) {
            ++m_at;
        }
    }

    bool Fail(std::string_view part) {
        m_error = "the CSS selector '" + std::string(m_in) + "' uses '" + std::string(part) +
                  "', which is not supported (supported: " + std::string(kSubset) + ")";
        return false;
    }
    // Names the part that starts here: its punctuation (":" or "::", say) and the name after it.
    bool FailHere() {
        std::size_t end = m_at + 1;
        while (end < m_in.size() && m_in[end] == m_in[m_at] && !IsNameChar(m_in[end])) {
            ++end;
        }
        while (end < m_in.size() && IsNameChar(m_in[end])) {
            ++end;
        }
        return Fail(m_in.substr(m_at, end - m_at));
    }

    std::string Name(bool (*isNameChar)(char) = IsNameChar) {
        const std::size_t start = m_at;
        while (!AtEnd() && isNameChar(m_in[m_at])) {
            ++m_at;
        }
        return std::string(m_in.substr(start, m_at - start));
    }

    // One selector of a comma-separated list: compounds joined by combinators.
    bool Selector(std::string& path) {
        SkipBlanks();
        std::string step = "//";
        for (;;) {
            std::string compound;
            if (!Compound(compound)) {
                return false;
            }
            path += step + compound;
            const std::size_t before = m_at;
            SkipBlanks();
            if (AtEnd() || Peek() == ',') {
                return true;
            }
            if (Peek() == '>') {
                ++m_at;
                SkipBlanks();
                step = "/";
            } else if (m_at > before) {
                step = "//";
            } else {
                return FailHere();
            }
        }
    }

    // A type or "*" followed by ids, classes and attributes.
    bool Compound(std::string& compound) {
        if (Peek() == '*') {
            ++m_at;
            compound = "*";
        } else if (StartsName(Peek())) {
            std::string type = Name(IsAsciiNameChar);
            for (char& c : type) {
                c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
            }
            compound = type;
        } else if (Peek() == '#' || Peek() == '.' || Peek() == '[') {
            compound = "*";
        } else {
            if (AtEnd() || Peek() == ',' || Peek() == '>') {
                m_error = "the CSS selector '" + std::string(m_in) + "' is incomplete";
                return false;
            }
            return FailHere();
        }
        for (;;) {
            if (Peek() == '#') {
                ++m_at;
                const std::string id = Name();
                if (id.empty()) {
                    return Fail("#");
                }
                compound += "[@id=" + Literal(id) + "]";
            } else if (Peek() == '.') {
                ++m_at;
                const std::string name = Name();
                if (name.empty()) {
                    return Fail(".");
                }
                compound += HasWord("class", name);
            } else if (Peek() == '[') {
                if (!Attribute(compound)) {
                    return false;
                }
            } else if (AtEnd() || Peek() == ',' || Peek() == '>' ||
                       std::isspace(static_cast<unsigned char>(Peek())) != 0) {
                return true;
            } else {
                return FailHere();
            }
        }
    }

    bool Attribute(std::string& compound) {
        const std::size_t open = m_at++;
        SkipBlanks();
        const std::string name = StartsName(Peek()) ? Name(IsAsciiNameChar) : std::string();
        if (name.empty()) {
            return FailHere();
        }
        SkipBlanks();
        if (Peek() == ']') {
            ++m_at;
            compound += "[@" + name + "]";
            return true;
        }
        bool word = false;
        if (Peek() == '~' && m_at + 1 < m_in.size() && m_in[m_at + 1] == '=') {
            word = true;
            m_at += 2;
        } else if (Peek() == '=') {
            ++m_at;
        } else {
            const std::size_t close = m_in.find(']', m_at);
            return Fail(m_in.substr(open, close == std::string_view::npos ? std::string_view::npos
                                                                          : close - open + 1));
        }
        SkipBlanks();
        std::string value;
        if (Peek() == '"' || Peek() == '\'') {
            const char quote = m_in[m_at++];
            const std::size_t end = m_in.find(quote, m_at);
            if (end == std::string_view::npos) {
                m_error = "the CSS selector '" + std::string(m_in) + "' has an unclosed quote";
                return false;
            }
            value = std::string(m_in.substr(m_at, end - m_at));
            m_at = end + 1;
        } else {
            value = Name();
            if (value.empty()) {
                return FailHere();
            }
        }
        SkipBlanks();
        if (Peek() != ']') {
            m_error = "the CSS selector '" + std::string(m_in) + "' has an unclosed '['";
            return false;
        }
        ++m_at;
        if (word) {
            // A word never holds a blank; no value with one can match, as in CSS.
            compound += value.find_first_of(" \t\n") != std::string::npos || value.empty()
                            ? "[false()]"
                            : HasWord(name, value);
        } else {
            compound += "[@" + name + "=" + Literal(value) + "]";
        }
        return true;
    }

    std::string_view m_in;
    std::size_t m_at = 0;
    std::string m_error;
};

} // namespace

CssTranslation CssToXPath(const std::string& selector) {
    return Translator(selector).Run();
}
