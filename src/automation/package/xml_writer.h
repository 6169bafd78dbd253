#pragma once

// Writes one XML part through libxml2's xmlTextWriter into a string that
// the caller drains as it goes, so that a large part is produced piece by
// piece (see PartProducer in package.h) rather than built whole. Element
// and attribute names are written as given, prefixes included; texts are
// escaped. Failures throw quorlex::Error.

#include <libxml/xmlwriter.h>

#include <string>
#include <string_view>

namespace quorlex::automation::package {

// Writes XML into a string, escaping as it goes.
class XmlWriter {
 public:
  // Output is appended to `sink`, which must outlive the writer.
  explicit XmlWriter(std::string& sink);
  ~XmlWriter();
  XmlWriter(const XmlWriter&) = delete;
  XmlWriter& operator=(const XmlWriter&) = delete;

  // <?xml version="1.0" encoding="UTF-8" standalone="yes"?> and a line break,
  // as Office starts its parts.
  void StartDocument();
  void Start(const char* name);
  void Attribute(const char* name, std::string_view value);
  // An attribute whose value needs no escaping (numbers, cell references).
  void PlainAttribute(const char* name, std::string_view value);
  void Text(std::string_view text);
  // Markup written as it stands (a fragment carried through from a
  // template); the caller vouches for it.
  void Raw(std::string_view xml);
  // <name>text</name>
  void Element(const char* name, std::string_view text);
  void End();
  // Closes every open element and flushes.
  void EndDocument();
  // Moves what libxml2 buffers into the sink.
  void Flush();

 private:
  void Check(int result, const char* what);
  const char* Terminated(std::string_view value);

  xmlTextWriterPtr writer_ = nullptr;
  std::string scratch_;
};

}  // namespace quorlex::automation::package
