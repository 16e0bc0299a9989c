#include "platform/markup/HtmlSelection.h"

#include <libxml/HTMLparser.h>
#include <libxml/HTMLtree.h>
#include <libxml/parser.h>
#include <libxml/xmlerror.h>
#include <libxml/xpath.h>
#include <libxml/xpathInternals.h>

#include <array>
#include <cstdint>
#include <cstring>
#include <limits>
#include <memory>
#include <mutex>
#include <string_view>
#include <vector>

namespace {

// The parser's and the XPath engine's messages are caught here instead of going to standard
// error; the last one explains a failure. libxml2 keeps these handlers per thread.
thread_local std::string t_lastError;
// The first error that ended the parse early (the rest of the page then went unread).
thread_local std::string t_fatalError;

void NoteError(void* /*unused*/, xmlError* error) {
    if (error != nullptr && error->message != nullptr) {
        t_lastError = error->message;
        while (!t_lastError.empty() && (t_lastError.back() == '\n' || t_lastError.back() == ' ')) {
            t_lastError.pop_back();
        }
        if (error->level == XML_ERR_FATAL && t_fatalError.empty()) {
            t_fatalError = t_lastError.find("Excessive depth") != std::string::npos
                               ? "its elements are nested more than 256 deep"
                               : t_lastError;
        }
    }
}

void IgnoreGenericError(void* /*unused*/, const char* /*format*/, ...) {}

void QuietThisThread() {
    static std::once_flag initialised;
    std::call_once(initialised, [] { xmlInitParser(); });
    xmlSetStructuredErrorFunc(nullptr, NoteError);
    xmlSetGenericErrorFunc(nullptr, IgnoreGenericError);
    t_lastError.clear();
    t_fatalError.clear();
}

struct DocumentFree {
    void operator()(xmlDoc* doc) const { xmlFreeDoc(doc); }
};
struct ContextFree {
    void operator()(xmlXPathContext* context) const { xmlXPathFreeContext(context); }
};
struct ObjectFree {
    void operator()(xmlXPathObject* object) const { xmlXPathFreeObject(object); }
};

enum class ElementKind { Inline, Block, Hidden };

// A name's first eight letters as one number, zero after its end: most names compare whole in one
// step.
constexpr std::uint64_t LettersOf(std::string_view name) {
    std::uint64_t letters = 0;
    for (std::size_t i = 0; i < name.size() && i < 8; ++i) {
        letters |= std::uint64_t{static_cast<unsigned char>(name[i])} << (8 * i);
    }
    return letters;
}

struct NamedKind {
    std::string_view name;
    ElementKind kind;
    std::uint64_t letters = LettersOf(name);
};

// The elements that are not inline, from the shortest names to the longest.
constexpr std::size_t kLongestName = 10;
constexpr ElementKind H = ElementKind::Hidden;
constexpr ElementKind B = ElementKind::Block;
constexpr NamedKind kNamed[] = {
    {"p", B},          {"br", B},       {"dd", B},       {"dl", B},       {"dt", B},
    {"h1", B},         {"h2", B},       {"h3", B},       {"h4", B},       {"h5", B},
    {"h6", B},         {"hr", B},       {"li", B},       {"ol", B},       {"td", B},
    {"th", B},         {"tr", B},       {"ul", B},       {"div", B},      {"nav", B},
    {"pre", B},        {"body", B},     {"form", B},     {"head", H},     {"html", B},
    {"main", B},       {"aside", B},    {"style", H},    {"table", B},    {"title", H},
    {"dialog", B},     {"figure", B},   {"footer", B},   {"header", B},   {"script", H},
    {"address", B},    {"article", B},  {"caption", B},  {"details", B},  {"section", B},
    {"summary", B},    {"fieldset", B}, {"noscript", H}, {"template", H}, {"blockquote", B},
    {"figcaption", B},
};
static_assert(
    [] {
        for (std::size_t i = 1; i < std::size(kNamed); ++i) {
            if (kNamed[i - 1].name.size() > kNamed[i].name.size()) {
                return false;
            }
        }
        return kNamed[std::size(kNamed) - 1].name.size() <= kLongestName;
    }(),
    "kNamed goes from the shortest names to the longest");

// Where the names of each length begin in kNamed (and those one letter shorter end).
constexpr std::array<std::size_t, kLongestName + 2> kFirstOfLength = [] {
    std::array<std::size_t, kLongestName + 2> first{};
    std::size_t at = 0;
    for (std::size_t length = 0; length <= kLongestName + 1; ++length) {
        while (at < std::size(kNamed) && kNamed[at].name.size() < length) {
            ++at;
        }
        first[length] = at;
    }
    return first;
}();

// What an element is to the text a person reads. The HTML parser gives element names in lower
// case; a name is compared only with those of its length, a step for each.
ElementKind KindOf(const xmlNode* node) {
    if (node->type != XML_ELEMENT_NODE || node->name == nullptr) {
        return ElementKind::Inline;
    }
    const auto* name = reinterpret_cast<const char*>(node->name);
    std::uint64_t letters = 0;
    std::size_t length = 0;
    for (; name[length] != '\0'; ++length) {
        if (length == kLongestName) {
            return ElementKind::Inline;
        }
        if (length < 8) {
            letters |= std::uint64_t{static_cast<unsigned char>(name[length])} << (8 * length);
        }
    }
    for (std::size_t i = kFirstOfLength[length]; i < kFirstOfLength[length + 1]; ++i) {
        if (kNamed[i].letters == letters &&
            (length <= 8 || std::memcmp(kNamed[i].name.data() + 8, name + 8, length - 8) == 0)) {
            return kNamed[i].kind;
        }
    }
    return ElementKind::Inline;
}

// Gathers the visible text under a node: words separated by single blanks, a line end around
// each block. Walks without recursion, so no depth of nesting can exhaust the stack.
class VisibleText {
public:
    void Add(const xmlNode* top) {
        const xmlNode* node = top;
        for (;;) {
            if (Visit(node) && node->children != nullptr) {
                node = node->children;
                continue;
            }
            // The node is done: so is each ancestor whose last child it was.
            for (;;) {
                Leave(node);
                if (node == top) {
                    BreakLine();
                    return;
                }
                if (node->next != nullptr) {
                    node = node->next;
                    break;
                }
                node = node->parent;
            }
        }
    }
    std::string Take() {
        BreakLine();
        if (!m_text.empty() && m_text.back() == '\n') {
            m_text.pop_back();
        }
        return std::move(m_text);
    }

private:
    // True when the node's children are to be visited.
    bool Visit(const xmlNode* node) {
        if (node->type == XML_TEXT_NODE || node->type == XML_CDATA_SECTION_NODE) {
            AddWords(reinterpret_cast<const char*>(node->content));
            return false;
        }
        if (node->type == XML_ATTRIBUTE_NODE) {
            const xmlChar* value = xmlNodeGetContent(node);
            AddWords(reinterpret_cast<const char*>(value));
            xmlFree(const_cast<xmlChar*>(value));
            return false;
        }
        if (node->type != XML_ELEMENT_NODE && node->type != XML_DOCUMENT_NODE &&
            node->type != XML_HTML_DOCUMENT_NODE) {
            return false; // comments, processing instructions
        }
        const ElementKind kind = KindOf(node);
        if (kind == ElementKind::Hidden) {
            return false;
        }
        if (kind == ElementKind::Block) {
            BreakLine();
        }
        return true;
    }
    void Leave(const xmlNode* node) {
        if (KindOf(node) == ElementKind::Block) {
            BreakLine();
        }
    }
    static bool IsBlank(char c) {
        return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f';
    }
    // Each run of blanks becomes one blank between words; the words go in whole.
    void AddWords(const char* text) {
        if (text == nullptr) {
            return;
        }
        const char* c = text;
        while (*c != '\0') {
            if (IsBlank(*c)) {
                m_blankPending = m_lineHasText;
                ++c;
                continue;
            }
            const char* word = c;
            while (*c != '\0' && !IsBlank(*c)) {
                ++c;
            }
            if (m_blankPending) {
                m_text += ' ';
                m_blankPending = false;
            }
            m_text.append(word, static_cast<std::size_t>(c - word));
            m_lineHasText = true;
        }
    }
    void BreakLine() {
        if (m_lineHasText) {
            m_text += '\n';
        }
        m_lineHasText = false;
        m_blankPending = false;
    }

    std::string m_text;
    bool m_lineHasText = false;
    bool m_blankPending = false;
};

std::string MarkupOf(xmlDoc* doc, xmlNode* node) {
    if (node->type == XML_ATTRIBUTE_NODE || node->type == XML_TEXT_NODE ||
        node->type == XML_CDATA_SECTION_NODE) {
        xmlChar* content = xmlNodeGetContent(node);
        std::string text = content != nullptr ? reinterpret_cast<const char*>(content) : "";
        xmlFree(content);
        return text;
    }
    xmlOutputBuffer* output = xmlAllocOutputBuffer(nullptr);
    if (output == nullptr) {
        return {};
    }
    // As the page has it: no line ends or indentation added.
    htmlNodeDumpFormatOutput(output, doc, node, nullptr, 0);
    xmlOutputBufferFlush(output);
    std::string markup(reinterpret_cast<const char*>(xmlOutputBufferGetContent(output)),
                       xmlOutputBufferGetSize(output));
    xmlOutputBufferClose(output);
    return markup;
}

// How often the walks ask whether time is up: often enough to stop soon after, rarely enough that
// asking costs nothing.
constexpr std::size_t kStepsBetweenTimeChecks = 4096;

// The work's time limit, asked every kStepsBetweenTimeChecks steps.
class TimeCheck {
public:
    explicit TimeCheck(const OutOfTime& outOfTime) : m_outOfTime(outOfTime) {}
    // True when time is up; asks only at every so many steps.
    bool AfterStep() {
        if (++m_steps < kStepsBetweenTimeChecks) {
            return false;
        }
        m_steps = 0;
        return Now();
    }
    bool Now() const { return m_outOfTime && m_outOfTime(); }

private:
    const OutOfTime& m_outOfTime;
    std::size_t m_steps = 0;
};

// An expression is evaluated within a count of the engine's operations: first this many, then
// twice as many each time the count runs out, as long as time is left. The repeats at most double
// the work, and time is asked between them: an evaluation that never ends is stopped after about
// twice the time allowed at worst.
constexpr unsigned long kFirstOperationBudget = 1UL << 24;

// Evaluates the expression; null when it is no valid XPath or ran out of time (outOfTime set).
xmlXPathObject* EvaluateInTime(const std::string& xpath, xmlXPathContext* context,
                               const TimeCheck& time, bool& outOfTime) {
    for (unsigned long budget = kFirstOperationBudget;; budget *= 2) {
        context->opLimit = budget;
        context->opCount = 0;
        xmlXPathObject* found = xmlXPathEvalExpression(BAD_CAST xpath.c_str(), context);
        if (found != nullptr || context->opCount < context->opLimit) {
            return found; // evaluated, or failed for another reason than the count
        }
        if (time.Now() || budget > std::numeric_limits<unsigned long>::max() / 2) {
            outOfTime = true;
            return nullptr;
        }
    }
}

// Nodes selected by some expression are marked in the parsed copy itself, in the field libxml2
// leaves to its user (nothing else here sets it): marking is constant time, and a node selected
// twice is marked once.
char g_selectedMark = 0;

void MarkSelected(xmlNode* node) {
    node->_private = &g_selectedMark;
}

bool IsSelected(const xmlNode* node) {
    return node->_private == &g_selectedMark;
}

bool IsSelected(const xmlAttr* attribute) {
    return attribute->_private == &g_selectedMark;
}

// The marked nodes that lie in no other marked node, in document order (an element's attributes
// after it, before its children): a part selected inside a part already kept is kept once, with
// it. One walk over the page, without recursion; false when time ran out.
bool OutermostSelected(xmlDoc* doc, std::vector<xmlNode*>& kept, TimeCheck& time) {
    auto* const top = reinterpret_cast<xmlNode*>(doc);
    xmlNode* node = top;
    for (;;) {
        if (time.AfterStep()) {
            return false;
        }
        bool descend = false;
        if (IsSelected(node)) {
            kept.push_back(node);
        } else if (node->type == XML_ELEMENT_NODE) {
            for (xmlAttr* attribute = node->properties; attribute != nullptr;
                 attribute = attribute->next) {
                if (IsSelected(attribute)) {
                    kept.push_back(reinterpret_cast<xmlNode*>(attribute));
                }
            }
            descend = true;
        } else {
            descend = node->type == XML_DOCUMENT_NODE || node->type == XML_HTML_DOCUMENT_NODE;
        }
        if (descend && node->children != nullptr) {
            node = node->children;
            continue;
        }
        while (node != top && node->next == nullptr) {
            node = node->parent;
        }
        if (node == top) {
            return true;
        }
        node = node->next;
    }
}

std::unique_ptr<xmlDoc, DocumentFree> Parse(std::string_view page, std::string& failure) {
    if (page.size() > kLargestRuledPageBytes) {
        failure = "the page is too large for rules (" + std::to_string(page.size() >> 20) +
                  " MiB; rules apply to pages of up to " +
                  std::to_string(kLargestRuledPageBytes >> 20) + " MiB)";
        return nullptr;
    }
    // Recovering like a browser; no network, no DTD, entities left as the page has them.
    // The parser's complaints about sloppy markup go to NoteError, which keeps them quiet.
    const int options = HTML_PARSE_RECOVER | HTML_PARSE_NONET | HTML_PARSE_COMPACT;
    std::unique_ptr<xmlDoc, DocumentFree> doc(htmlReadMemory(
        page.empty() ? "" : page.data(), static_cast<int>(page.size()), nullptr, nullptr, options));
    if (!doc || !t_fatalError.empty()) {
        // A page read only in part would be compared as if the rest were not there.
        const std::string& why = !t_fatalError.empty() ? t_fatalError : t_lastError;
        failure = "the page could not be read as HTML" + (why.empty() ? "" : ": " + why);
        doc.reset();
    }
    return doc;
}

} // namespace

HtmlSelection SelectFromHtml(std::string_view page, const std::vector<std::string>& xpaths,
                             bool visibleText, const OutOfTime& outOfTime) {
    QuietThisThread();
    HtmlSelection selection;
    std::unique_ptr<xmlDoc, DocumentFree> doc = Parse(page, selection.failure);
    if (!doc) {
        return selection;
    }
    TimeCheck time(outOfTime);
    const auto ranOutOfTime = [&selection](std::size_t expression) {
        selection.failedExpression = expression;
        selection.outOfTime = true;
        selection.failure = "ran out of time";
        return selection;
    };
    if (time.Now()) {
        return ranOutOfTime(static_cast<std::size_t>(-1));
    }
    std::vector<xmlNode*> kept;
    if (!xpaths.empty()) {
        const std::unique_ptr<xmlXPathContext, ContextFree> context(xmlXPathNewContext(doc.get()));
        if (!context) {
            selection.failure = "not enough memory to apply the rules";
            return selection;
        }
        for (const std::string& xpath : xpaths) {
            bool outOfTimeHere = false;
            const std::unique_ptr<xmlXPathObject, ObjectFree> found(
                EvaluateInTime(xpath, context.get(), time, outOfTimeHere));
            if (outOfTimeHere) {
                return ranOutOfTime(selection.matches.size());
            }
            if (!found || found->type != XPATH_NODESET) {
                selection.failedExpression = selection.matches.size();
                selection.failure = !found ? "is no valid XPath: " + t_lastError
                                           : "selects no part of a page (it gives a number, "
                                             "a text or a truth value)";
                return selection;
            }
            xmlNodeSet* nodes = found->nodesetval;
            const int count = nodes != nullptr ? nodes->nodeNr : 0;
            for (int i = 0; i < count; ++i) {
                if (nodes->nodeTab[i]->type == XML_NAMESPACE_DECL) {
                    // The engine makes these up for the expression; they are not in the page.
                    selection.failedExpression = selection.matches.size();
                    selection.failure = "selects namespaces, which are no part of a page";
                    return selection;
                }
                MarkSelected(nodes->nodeTab[i]);
            }
            selection.matches.push_back(static_cast<std::size_t>(count));
            if (time.Now()) {
                return ranOutOfTime(selection.matches.size() - 1);
            }
        }
        if (!OutermostSelected(doc.get(), kept, time)) {
            return ranOutOfTime(static_cast<std::size_t>(-1));
        }
    }
    if (visibleText) {
        VisibleText text;
        if (!xpaths.empty()) {
            for (xmlNode* node : kept) {
                text.Add(node);
                if (time.AfterStep()) {
                    return ranOutOfTime(static_cast<std::size_t>(-1));
                }
            }
        } else {
            text.Add(reinterpret_cast<xmlNode*>(doc.get()));
        }
        selection.text = text.Take();
    } else if (!xpaths.empty()) {
        for (std::size_t i = 0; i < kept.size(); ++i) {
            if (i > 0) {
                selection.text += '\n';
            }
            selection.text += MarkupOf(doc.get(), kept[i]);
            if (time.AfterStep()) {
                return ranOutOfTime(static_cast<std::size_t>(-1));
            }
        }
    } else {
        selection.text.assign(page);
    }
    return selection;
}

std::string XPathError(const std::string& xpath) {
    QuietThisThread();
    xmlXPathCompExpr* compiled = xmlXPathCompile(BAD_CAST xpath.c_str());
    if (compiled == nullptr) {
        return t_lastError.empty() ? "not a valid XPath expression" : t_lastError;
    }
    xmlXPathFreeCompExpr(compiled);
    return {};
}

std::string HtmlParserVersion() {
    return xmlParserVersion != nullptr ? xmlParserVersion : "unknown";
}
