#pragma once
// CSS selectors as the rules take them, translated to XPath 1.0 over a page parsed as HTML. The
// subset: a type (letter case ignored) or "*", "#id", ".class", "[attr]", "[attr=value]" and
// "[attr~=value]" (values bare or quoted), the descendant (blank) and child (">") combinators,
// and "," between selectors. Anything else is refused with the part named, never matched in some
// other way.

#include <string>

struct CssTranslation {
    std::string xpath; // set when the selector is in the subset
    std::string error; // otherwise why not, naming the part
};

CssTranslation CssToXPath(const std::string& selector);
