#include "platform/xml_document.h"

#include "platform/http_client.h"

#include <pugixml.hpp>

namespace quenbo {

namespace {

// Comments, processing instructions and the document type declaration are skipped; an
// entity reference other than XML's own is left as written.
constexpr unsigned kParseOptions =
    pugi::parse_cdata | pugi::parse_escapes | pugi::parse_eol | pugi::parse_wconv_attribute;

}  // namespace

std::string_view XmlElement::name() const
{
    return pugi::xml_node(m_node).name();
}

std::string XmlElement::text() const
{
    std::string text;
    if (m_node) {
        // Walked without recursion, so a deeply nested hostile answer cannot exhaust the stack.
        const pugi::xml_node root(m_node);
        pugi::xml_node node = root.first_child();
        while (node && node != root) {
            if (node.type() == pugi::node_pcdata || node.type() == pugi::node_cdata)
                text += node.value();
            if (node.type() == pugi::node_element && node.first_child()) {
                node = node.first_child();
                continue;
            }
            while (node != root && !node.next_sibling())
                node = node.parent();
            if (node != root)
                node = node.next_sibling();
        }
    }
    return text;
}

std::vector<XmlElement> XmlElement::children() const
{
    std::vector<XmlElement> found;
    for (const pugi::xml_node &child : pugi::xml_node(m_node).children())
        if (child.type() == pugi::node_element)
            found.push_back(XmlElement(child.internal_object()));
    return found;
}

std::vector<XmlElement> XmlElement::children(std::string_view name) const
{
    std::vector<XmlElement> found;
    for (const pugi::xml_node &child : pugi::xml_node(m_node).children())
        if (child.type() == pugi::node_element && name == child.name())
            found.push_back(XmlElement(child.internal_object()));
    return found;
}

XmlDocument::XmlDocument()
    : m_document(std::make_unique<pugi::xml_document>())
{
}

XmlDocument::~XmlDocument() = default;

void XmlDocument::load(HttpClient &http, const std::string &address)
{
    m_document->reset();
    const std::string body = http.get(address);
    loadFromText(body);
}

void XmlDocument::loadFromText(std::string_view text)
{
    const pugi::xml_parse_result result =
        m_document->load_buffer(text.data(), text.size(), kParseOptions, pugi::encoding_auto);
    if (!result) {
        m_document->reset();
        throw XmlError(std::string("not a well-formed XML document: ") + result.description() +
                       " at byte " + std::to_string(result.offset));
    }
    int elements = 0;
    for (const pugi::xml_node &node : m_document->children())
        elements += node.type() == pugi::node_element ? 1 : 0;
    if (elements != 1) {
        m_document->reset();
        throw XmlError(elements == 0 ? "not an XML document: no document element"
                                     : "not a well-formed XML document: more than one root");
    }
}

XmlElement XmlDocument::documentElement() const
{
    return XmlElement(m_document->document_element().internal_object());
}

}  // namespace quenbo
