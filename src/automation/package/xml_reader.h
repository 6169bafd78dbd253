#pragma once

// A pull reader over one XML part (libxml2's xmlTextReader), set up for
// files nobody here wrote: nothing is fetched from the network or the disk,
// entities are not substituted, and a document type declaration is refused
// (no Office Open XML part has one). Errors are quorlex::Error
// (errors::kFormat) naming the part and the line.

#include <libxml/xmlreader.h>

#include <optional>
#include <string>
#include <string_view>

namespace quorlex::automation::package {

// A streaming reader of one XML part.
class XmlReader {
 public:
  // `xml` must outlive the reader; `part_name` names the part in errors.
  XmlReader(std::string_view xml, std::string part_name);
  ~XmlReader();
  XmlReader(const XmlReader&) = delete;
  XmlReader& operator=(const XmlReader&) = delete;

  // Moves to the next node in document order; false at the end.
  bool Next();
  // Passes over the current element's content: the next Next() gives the
  // node after its end.
  void Skip();

  bool IsStart() const { return type_ == XML_READER_TYPE_ELEMENT; }
  bool IsEnd() const { return type_ == XML_READER_TYPE_END_ELEMENT; }
  bool IsText() const;  // text, CDATA or white space
  // An element written as <a/>: no end node follows.
  bool IsEmptyElement() const;
  int Depth() const;

  // Of the current node: local name, namespace URI ("" for none) and the
  // name with its prefix as written.
  std::string_view LocalName() const;
  std::string_view Namespace() const;
  std::string_view QualifiedName() const;
  // The current element in namespace `ns` with local name `local`.
  bool Is(std::string_view ns, std::string_view local) const {
    return LocalName() == local && Namespace() == ns;
  }

  // An attribute of the current element without a namespace, or in `ns`.
  std::optional<std::string> Attribute(const char* local) const;
  std::optional<std::string> AttributeNs(const char* local, const char* ns) const;
  // The attributes (namespace declarations included) of the current
  // element as written, for carrying a start tag through unchanged.
  std::string AttributesXml() const;

  // The text value of the current text node.
  std::string Value() const;
  // The text of the current element's content (text children joined), and
  // moves to its end.
  std::string ReadText();
  // The current element with everything inside it, serialized; then as
  // Skip(). Prefixes declared on ancestors
  // stay undeclared in the result: callers put it back under the same root.
  std::string TakeOuterXml();

  int Line() const;
  [[noreturn]] void Fail(const std::string& what) const;

 private:
  void Check(int result);

  std::string part_;
  xmlTextReaderPtr reader_ = nullptr;
  int type_ = XML_READER_TYPE_NONE;
  // After Skip() the reader already stands on the node Next() is to give.
  bool pending_ = false;
  bool pending_result_ = false;
  std::string error_;  // the parser's first error
};

}  // namespace quorlex::automation::package
