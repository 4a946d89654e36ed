#pragma once
// The one way this system reads XML: a whole file parsed into a libxml2 document, and a
// cursor over its element tree. Readers of a section save the cursor, descend, read and
// restore it, so that sections can be read in any order.
//
// The cursor is a node of the document; a libxml2 text reader walks the document from the
// cursor and is re-created whenever the cursor moves. Node type, content and attributes are
// those of the reader's current node, which is the cursor whenever no call is under way.
// Positions stay valid only while the parser lives.

#include <memory>
#include <optional>
#include <string>

struct _xmlDoc;
struct _xmlNode;
struct _xmlTextReader;

typedef struct _xmlNode xmlNode;
using XMLPosition = struct _xmlNode*;

class XMLParser {
  public:
    // Parses fileName (an ANSI path); an unparsable file is logged and leaves the parser
    // invalid: every search then fails and every attribute is absent.
    explicit XMLParser(const char* fileName);
    virtual ~XMLParser();
    XMLParser(const XMLParser&) = delete;
    XMLParser& operator=(const XMLParser&) = delete;

    bool IsValid() const { return current_ != nullptr; }

    XMLPosition GetPosition() const { return current_; }
    // Moves the cursor to element (a node of this document) and the reader onto it;
    // returns the reader's read result (1 on the node, 0 end, -1 error or foreign node).
    int SetPosition(XMLPosition element);

    // libxml2 node type of the reader's current node (1 element, 3 text), 0 when none.
    int NodeType() const;
    // Name of the cursor node; empty when there is none.
    std::string NodeName() const;
    // Text content of the reader's current node; empty when there is none.
    std::string NodeContent() const;

    // 0 first child, 1 parent, 2 or 3 next sibling; any node type is a target, but the
    // document itself is not a parent. Returns whether the cursor moved.
    bool Move(int direction);
    // Exact-case searches among the element nodes; the cursor moves only on success.
    bool FindChild(const char* name);
    bool FindNextSibling(const char* name);
    bool FindSibling(const char* name, bool fromFirst);
    bool GoParent();

    // how positions the cursor first: 0 FindChild(elementName), 1 GoParent(),
    // 2 FindSibling(elementName, true), 3 FindSibling(elementName, false), 4 stay.
    // nullopt when positioning fails or the attribute is absent.
    std::optional<std::string> GetAttribute(const char* elementName, const char* attributeName,
                                            int how);
    bool HasAttribute(const char* elementName, const char* attributeName);
    // The attribute exists and equals value without regard to case.
    bool AttributeEquals(const char* elementName, const char* attributeName, const char* value);
    // Positions as GetAttribute does, then reads the node after the element (its text); the
    // reader is back on the element afterwards.
    std::optional<std::string> GetValue(const char* name, int how);

    // Depth-first search below start, names compared without regard to case; the cursor
    // does not move. Null when there is no match.
    XMLPosition FindElement(const char* name, XMLPosition start);
    // The FileName attribute of the first XMLInclude element below start.
    std::optional<std::string> GetInclude(XMLPosition start);
    // The leading number of the text of the child element name: -1 when there is no such
    // element or it has no text, 0 when the text does not start with a digit.
    int GetTypedValue(const char* name);

    // Logs format (with argument) as an error entry, with libxml2's last error if any.
    void ReportError(const char* format, const char* argument);

  private:
    struct DocumentDeleter {
        void operator()(_xmlDoc* document) const;
    };
    struct ReaderDeleter {
        void operator()(_xmlTextReader* reader) const;
    };

    bool PositionBy(const char* elementName, int how);
    bool MoveTo(XMLPosition target);
    int WalkTo(XMLPosition target);
    XMLPosition ReaderNode() const;

    // Declared before the reader: the reader walks the document and must go first.
    std::unique_ptr<_xmlDoc, DocumentDeleter> document_;
    std::unique_ptr<_xmlTextReader, ReaderDeleter> reader_;
    XMLPosition current_ = nullptr;
    bool readerOnNode_ = false;  // the reader reached the cursor
};
