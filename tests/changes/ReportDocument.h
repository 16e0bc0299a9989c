#pragma once
// A change report read back as a browser reads it: parsed with libxml2's HTML parser (which
// recovers from broken markup as browsers do), so a test sees the elements and attributes the
// report really holds, whatever text it was made from.

#include <libxml/HTMLparser.h>
#include <libxml/xpath.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

struct ReportElement {
    std::string name;
    std::vector<std::pair<std::string, std::string>> attributes;
};

class ReportDocument {
public:
    explicit ReportDocument(const std::string& html)
        : m_doc(htmlReadMemory(html.data(), static_cast<int>(html.size()), "report.html", "utf-8",
                               HTML_PARSE_NONET | HTML_PARSE_NOERROR | HTML_PARSE_NOWARNING)) {}
    ~ReportDocument() { xmlFreeDoc(m_doc); }
    ReportDocument(const ReportDocument&) = delete;
    ReportDocument& operator=(const ReportDocument&) = delete;

    bool Parsed() const { return m_doc != nullptr; }

    // Every element in document order, with its attributes.
    std::vector<ReportElement> Elements() const {
        std::vector<ReportElement> elements;
        Walk(xmlDocGetRootElement(m_doc), elements);
        return elements;
    }

    // The text content of each node an XPath expression selects, in document order.
    std::vector<std::string> Texts(const std::string& xpath) const {
        std::vector<std::string> texts;
        xmlXPathContextPtr context = xmlXPathNewContext(m_doc);
        xmlXPathObjectPtr found =
            xmlXPathEvalExpression(reinterpret_cast<const xmlChar*>(xpath.c_str()), context);
        if (found != nullptr && found->nodesetval != nullptr) {
            for (int i = 0; i < found->nodesetval->nodeNr; ++i) {
                xmlChar* text = xmlNodeGetContent(found->nodesetval->nodeTab[i]);
                texts.emplace_back(text != nullptr ? reinterpret_cast<const char*>(text) : "");
                xmlFree(text);
            }
        }
        EXPECT_NE(found, nullptr) << xpath;
        xmlXPathFreeObject(found);
        xmlXPathFreeContext(context);
        return texts;
    }
    std::string Text(const std::string& xpath) const {
        std::string joined;
        for (const std::string& text : Texts(xpath)) {
            joined += text;
        }
        return joined;
    }

private:
    static void Walk(xmlNodePtr node, std::vector<ReportElement>& into) {
        for (; node != nullptr; node = node->next) {
            if (node->type != XML_ELEMENT_NODE) {
                continue;
            }
            ReportElement element{reinterpret_cast<const char*>(node->name), {}};
            for (xmlAttrPtr attribute = node->properties; attribute != nullptr;
                 attribute = attribute->next) {
                xmlChar* value = xmlNodeListGetString(node->doc, attribute->children, 1);
                element.attributes.emplace_back(
                    reinterpret_cast<const char*>(attribute->name),
                    value != nullptr ? reinterpret_cast<const char*>(value) : "");
                xmlFree(value);
            }
            into.push_back(std::move(element));
            Walk(node->children, into);
        }
    }

    htmlDocPtr m_doc;
};
