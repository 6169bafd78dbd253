#pragma once

// Thin owners of libxml2's streaming reader and writer, the only way the
// WordprocessingML code touches XML.

#include <libxml/xmlreader.h>
#include <libxml/xmlwriter.h>

#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

namespace quorlex::automation::wordml {

// Reads one part. A document type declaration is refused (no part of a
// package has one), so no entity is ever defined, and nothing is loaded;
// the first error stops the walk and is reported by Read() as an exception
// carrying the line.
class XmlReader {
 public:
  // what names the part in error messages.
  XmlReader(std::string_view bytes, std::string what);
  ~XmlReader();
  XmlReader(const XmlReader&) = delete;
  XmlReader& operator=(const XmlReader&) = delete;

  // The next node; false at the end of the part.
  bool Read();
  // Skips the current element's subtree; true when positioned on a node.
  bool Skip();

  int Type() const { return xmlTextReaderNodeType(reader_); }
  bool IsStart() const { return Type() == XML_READER_TYPE_ELEMENT; }
  bool IsEnd() const { return Type() == XML_READER_TYPE_END_ELEMENT; }
  // Text, white space kept, or CDATA.
  bool IsText() const;
  bool IsEmptyElement() const { return xmlTextReaderIsEmptyElement(reader_) == 1; }
  int Depth() const { return xmlTextReaderDepth(reader_); }
  std::string_view LocalName() const;
  std::string_view Namespace() const;
  std::string_view Prefix() const;
  std::string_view Value() const;
  // True when the node is the element local in namespace ns.
  bool Is(std::string_view ns, std::string_view local) const {
    return LocalName() == local && Namespace() == ns;
  }
  // An attribute by namespace and local name (ns empty: no namespace).
  std::string Attribute(std::string_view ns, std::string_view local) const;
  bool HasAttribute(std::string_view ns, std::string_view local) const;
  // The attributes of the element as they would be written back, each
  // with a leading space (namespace declarations included).
  std::string RawAttributes() const;
  // The current element with its subtree as XML text, in the prefixes of
  // the part (namespaces declared on ancestors are not repeated). The
  // reader then stands on the element's last node, so Read() goes on after
  // it.
  std::string OuterXml();
  // The current element with its subtree as a tree, valid until the reader
  // moves past it (Skip() does).
  const xmlNode* Expand();
  // The element's qualified name as written (prefix:local).
  std::string QualifiedName() const;

  [[noreturn]] void Fail(const std::string& detail) const;

 private:
  void Check(int status);

  xmlTextReaderPtr reader_ = nullptr;
  std::string what_;
  std::string error_;
  int error_line_ = 0;
};

// Writes a part into a sink in pieces, so that a large part never needs to
// be held whole. Raw() writes markup made elsewhere (kept from the
// template, or made once and repeated).
class XmlWriter {
 public:
  using Sink = std::function<void(std::string_view)>;
  explicit XmlWriter(Sink sink);
  ~XmlWriter();
  XmlWriter(const XmlWriter&) = delete;
  XmlWriter& operator=(const XmlWriter&) = delete;

  void Declaration();
  void Start(const char* name);
  void Attribute(const char* name, std::string_view value);
  void Attribute(const char* name, long value);
  void End();
  void Text(std::string_view utf8);
  void Raw(std::string_view markup);
  // Ends every open element and hands what is buffered to the sink.
  void Finish();

 private:
  static int Write(void* context, const char* buffer, int length);
  static int Close(void* context);
  void Check(int status) const;

  Sink sink_;
  xmlTextWriterPtr writer_ = nullptr;
};

// Serialises a small fragment made with an XmlWriter into a string.
std::string Fragment(const std::function<void(XmlWriter&)>& build);

}  // namespace quorlex::automation::wordml
