#include "xml_parser.h"

#include <climits>
#include <vector>

#include <libxml/parser.h>
#include <libxml/tree.h>
#include <libxml/xmlerror.h>
#include <libxml/xmlreader.h>

#include "log_file.h"
#include "text_util.h"

namespace {

const xmlChar* XmlText(const char* text) {
    return reinterpret_cast<const xmlChar*>(text);
}

std::string ToString(const xmlChar* text) {
    return text ? std::string(reinterpret_cast<const char*>(text)) : std::string();
}

// Takes over a text that libxml2 allocated for us.
std::optional<std::string> TakeText(xmlChar* text) {
    if (!text)
        return std::nullopt;
    std::string value(reinterpret_cast<const char*>(text));
    xmlFree(text);
    return value;
}

void IgnoreGenericError(void*, const char*, ...) {}

// Errors reach the user only through our log; libxml2 would also print them on stderr.
// The handlers are per thread, so they are installed for every parse.
void SilenceLibxml() {
    xmlSetGenericErrorFunc(nullptr, IgnoreGenericError);
    xmlSetStructuredErrorFunc(nullptr, [](void*, auto) {});
}

// The first element among node and its following siblings named name (exact case).
XMLPosition FindNamed(XMLPosition node, const char* name) {
    if (!name)
        return nullptr;
    for (; node; node = node->next) {
        if (node->type == XML_ELEMENT_NODE && xmlStrEqual(node->name, XmlText(name)))
            return node;
    }
    return nullptr;
}

// The node after node in document order, descending into elements, without leaving the
// subtree below top.
XMLPosition NextBelow(XMLPosition node, XMLPosition top) {
    if (node->type == XML_ELEMENT_NODE && node->children)
        return node->children;
    for (; node && node != top; node = node->parent) {
        if (node->next)
            return node->next;
    }
    return nullptr;
}

int LeadingNumber(const std::string& text) {
    long long number = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            break;
        number = number * 10 + (c - '0');
        if (number > INT_MAX)
            return INT_MAX;
    }
    return static_cast<int>(number);
}

bool IsText(XMLPosition node) {
    return node->type == XML_TEXT_NODE || node->type == XML_CDATA_SECTION_NODE;
}

}  // namespace

void XMLParser::DocumentDeleter::operator()(_xmlDoc* document) const {
    xmlFreeDoc(document);
}

void XMLParser::ReaderDeleter::operator()(_xmlTextReader* reader) const {
    xmlFreeTextReader(reader);
}

XMLParser::XMLParser(const char* fileName) {
    SilenceLibxml();
    xmlResetLastError();  // a report names this file's error, not an older one
    if (fileName)
        document_.reset(xmlReadFile(fileName, nullptr, XML_PARSE_NONET));
    xmlNode* root = document_ ? xmlDocGetRootElement(document_.get()) : nullptr;
    if (!root) {
        document_.reset();
        ReportError("File '%s' not successfully parsed!", fileName);
        return;
    }
    SetPosition(root);
}

XMLParser::~XMLParser() = default;

int XMLParser::SetPosition(XMLPosition element) {
    if (!document_ || !element || element->doc != document_.get())
        return -1;
    current_ = element;
    readerOnNode_ = false;
    reader_.reset(xmlReaderWalker(document_.get()));
    if (!reader_)
        return -1;
    const int result = WalkTo(element);
    readerOnNode_ = result == 1;
    return result;
}

// Reads from the start of the document to target, skipping the subtrees that do not hold
// it, so that a move costs the depth of the target rather than its place in the document.
int XMLParser::WalkTo(XMLPosition target) {
    std::vector<XMLPosition> path;  // the ancestors of target, the root first
    for (XMLPosition node = target; node && node->type != XML_DOCUMENT_NODE; node = node->parent)
        path.insert(path.begin(), node);
    std::size_t depth = 0;
    int result = xmlTextReaderRead(reader_.get());
    while (result == 1 && xmlTextReaderCurrentNode(reader_.get()) != target) {
        const XMLPosition node = xmlTextReaderCurrentNode(reader_.get());
        const bool onPath = depth < path.size() && node == path[depth];
        depth += onPath ? 1 : 0;
        result = onPath || !node->next ? xmlTextReaderRead(reader_.get())
                                       : xmlTextReaderNext(reader_.get());
    }
    return result;
}

XMLPosition XMLParser::ReaderNode() const {
    return readerOnNode_ ? xmlTextReaderCurrentNode(reader_.get()) : nullptr;
}

int XMLParser::NodeType() const {
    const XMLPosition node = ReaderNode();
    return node ? static_cast<int>(node->type) : 0;
}

std::string XMLParser::NodeName() const {
    return current_ ? ToString(current_->name) : std::string();
}

std::string XMLParser::NodeContent() const {
    const XMLPosition node = ReaderNode();
    return node ? TakeText(xmlNodeGetContent(node)).value_or("") : std::string();
}

bool XMLParser::MoveTo(XMLPosition target) {
    return target && SetPosition(target) != -1;
}

bool XMLParser::Move(int direction) {
    if (!current_)
        return false;
    switch (direction) {
        case 0:  // the walker does not enter entity references, so neither does the cursor
            return current_->type == XML_ELEMENT_NODE && MoveTo(current_->children);
        case 1:
            return GoParent();
        case 2:
        case 3:
            return MoveTo(current_->next);
        default:
            return false;
    }
}

bool XMLParser::FindChild(const char* name) {
    return current_ && MoveTo(FindNamed(current_->children, name));
}

bool XMLParser::FindNextSibling(const char* name) {
    return current_ && MoveTo(FindNamed(current_->next, name));
}

bool XMLParser::FindSibling(const char* name, bool fromFirst) {
    if (!current_)
        return false;
    if (!fromFirst)
        return FindNextSibling(name);
    return current_->parent && MoveTo(FindNamed(current_->parent->children, name));
}

// The document node is not a position: the cursor stays on the root at the top.
bool XMLParser::GoParent() {
    if (!current_ || !current_->parent)
        return false;
    return current_->parent->type == XML_ELEMENT_NODE && MoveTo(current_->parent);
}

bool XMLParser::PositionBy(const char* elementName, int how) {
    switch (how) {
        case 0:
            return FindChild(elementName);
        case 1:
            return GoParent();
        case 2:
            return FindSibling(elementName, true);
        case 3:
            return FindSibling(elementName, false);
        case 4:
            return IsValid();
        default:
            return false;
    }
}

std::optional<std::string> XMLParser::GetAttribute(const char* elementName,
                                                   const char* attributeName, int how) {
    if (!attributeName || !PositionBy(elementName, how) || !ReaderNode())
        return std::nullopt;
    return TakeText(xmlTextReaderGetAttribute(reader_.get(), XmlText(attributeName)));
}

bool XMLParser::HasAttribute(const char* elementName, const char* attributeName) {
    return GetAttribute(elementName, attributeName, 4).has_value();
}

bool XMLParser::AttributeEquals(const char* elementName, const char* attributeName,
                                const char* value) {
    const std::optional<std::string> actual = GetAttribute(elementName, attributeName, 4);
    return actual && value && EqualsNoCase(actual->c_str(), value);
}

std::optional<std::string> XMLParser::GetValue(const char* name, int how) {
    if (!PositionBy(name, how) || !reader_)
        return std::nullopt;
    std::optional<std::string> value;
    int result = xmlTextReaderRead(reader_.get());
    if (result == 1) {
        value = TakeText(xmlTextReaderValue(reader_.get()));
        result = xmlTextReaderRead(reader_.get());
    }
    SetPosition(current_);  // later reads refer to the current element again
    if (result == 0) {
        Log().Line("No more nodes to read: XMLParser::GetValue(%s)", name ? name : "");
    } else if (result < 0) {
        ReportError("A error occurred while parsing the file: XMLParser::GetValue(%s)", name);
    }
    return value;
}

XMLPosition XMLParser::FindElement(const char* name, XMLPosition start) {
    if (!name || !start || !document_ || start->doc != document_.get())
        return nullptr;
    for (XMLPosition node = start->children; node; node = NextBelow(node, start)) {
        if (node->type == XML_ELEMENT_NODE &&
            EqualsNoCase(reinterpret_cast<const char*>(node->name), name))
            return node;
    }
    return nullptr;
}

std::optional<std::string> XMLParser::GetInclude(XMLPosition start) {
    const XMLPosition include = FindElement("XMLInclude", start);
    if (!include)
        return std::nullopt;
    return TakeText(xmlGetProp(include, XmlText("FileName")));
}

int XMLParser::GetTypedValue(const char* name) {
    if (!current_)
        return -1;
    const XMLPosition position = current_;
    int value = -1;
    if (FindChild(name) && Move(0) && IsText(current_))
        value = LeadingNumber(NodeContent());
    SetPosition(position);
    return value;
}

void XMLParser::ReportError(const char* format, const char* argument) {
    const std::string message = FormatText(format ? format : "", argument ? argument : "");
    const xmlError* error = xmlGetLastError();
    if (!error) {
        Log().Error("%s", message.c_str());
        return;
    }
    Log().Error("%s\n%s[Line %d Column %d]\n%s %s %s", message.c_str(),
                error->message ? error->message : "", error->line, error->int2,
                error->str1 ? error->str1 : "", error->str2 ? error->str2 : "",
                error->str3 ? error->str3 : "");
}
