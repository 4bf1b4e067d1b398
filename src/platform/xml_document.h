#pragma once

#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace pugi {
class xml_document;
struct xml_node_struct;
}  // namespace pugi

// An XML document fetched from an address and walked element by element, as the gateway's
// answers are read. Entities are limited to XML's own five and character references; no
// document type definition and no external entity is ever loaded or expanded.

namespace quenbo {

class HttpClient;

// Raised for a body that is not a well-formed XML document; the message says what and where.
class XmlError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A view of one element; valid while its document lives and is not loaded again. A null
// element (of an empty document) has no name, no text and no children.
class XmlElement {
public:
    XmlElement() = default;

    bool isNull() const { return m_node == nullptr; }
    std::string_view name() const;
    // The text of every character-data descendant, concatenated in document order.
    std::string text() const;
    // The child elements in document order: all of them, or those whose name equals name
    // exactly (letter case significant).
    std::vector<XmlElement> children() const;
    std::vector<XmlElement> children(std::string_view name) const;

private:
    friend class XmlDocument;
    explicit XmlElement(pugi::xml_node_struct *node)
        : m_node(node)
    {
    }

    pugi::xml_node_struct *m_node = nullptr;
};

class XmlDocument {
public:
    XmlDocument();
    ~XmlDocument();
    XmlDocument(const XmlDocument &) = delete;
    XmlDocument &operator=(const XmlDocument &) = delete;

    // Fetches address with http and parses the body. Raises HttpError or XmlError; the document
    // is empty after a failure.
    void load(HttpClient &http, const std::string &address);
    // Parses text (UTF-8, or UTF-16/32 with a byte-order mark). Raises XmlError; the document is
    // empty after a failure.
    void loadFromText(std::string_view text);

    // The document element; a null element while the document is empty.
    XmlElement documentElement() const;

private:
    std::unique_ptr<pugi::xml_document> m_document;
};

}  // namespace quenbo
