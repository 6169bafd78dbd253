#include "automation/wordml/xml_io.h"

#include <libxml/xmlsave.h>

#include <climits>

#include "automation/wordml/wordml_error.h"

namespace quorlex::automation::wordml {
namespace {

std::string_view View(const xmlChar* s) {
  return s == nullptr ? std::string_view() : std::string_view(reinterpret_cast<const char*>(s));
}

const xmlChar* X(const char* s) { return reinterpret_cast<const xmlChar*>(s); }

// Parsing options: no network, no DTD, no entity expansion, and libxml2's
// default bounds on depth and text size (no XML_PARSE_HUGE).
constexpr int kParseOptions = XML_PARSE_NONET;

}  // namespace

XmlReader::XmlReader(std::string_view bytes, std::string what) : what_(std::move(what)) {
  if (bytes.size() > static_cast<std::size_t>(INT_MAX)) Fail("слишком велик");
  reader_ = xmlReaderForMemory(bytes.data(), static_cast<int>(bytes.size()), nullptr, nullptr,
                               kParseOptions);
  if (reader_ == nullptr) throw std::bad_alloc();
  xmlTextReaderSetStructuredErrorHandler(
      reader_,
      [](void* context, xmlErrorPtr error) {
        auto* self = static_cast<XmlReader*>(context);
        if (!self->error_.empty() || error == nullptr) return;
        if (error->level < XML_ERR_ERROR) return;
        self->error_ = error->message != nullptr ? error->message : "ошибка разбора";
        while (!self->error_.empty() &&
               (self->error_.back() == '\n' || self->error_.back() == ' ')) {
          self->error_.pop_back();
        }
        self->error_line_ = error->line;
      },
      this);
}

XmlReader::~XmlReader() {
  if (reader_ != nullptr) xmlFreeTextReader(reader_);
}

void XmlReader::Fail(const std::string& detail) const {
  ThrowDamaged("часть " + what_ + " " + detail);
}

void XmlReader::Check(int status) {
  if (status < 0 || !error_.empty()) {
    Fail("не является правильным XML" +
         (error_line_ > 0 ? " (строка " + std::to_string(error_line_) + ")" : std::string()) +
         (error_.empty() ? std::string() : ": " + error_));
  }
}

bool XmlReader::Read() {
  const int status = xmlTextReaderRead(reader_);
  Check(status);
  // No part of a package has one; refusing it keeps entity definitions,
  // and their expansion, out altogether.
  if (status == 1 && Type() == XML_READER_TYPE_DOCUMENT_TYPE) {
    Fail("содержит объявление типа документа");
  }
  return status == 1;
}

bool XmlReader::Skip() {
  const int status = xmlTextReaderNext(reader_);
  Check(status);
  return status == 1;
}

bool XmlReader::IsText() const {
  const int type = Type();
  return type == XML_READER_TYPE_TEXT || type == XML_READER_TYPE_CDATA ||
         type == XML_READER_TYPE_WHITESPACE || type == XML_READER_TYPE_SIGNIFICANT_WHITESPACE;
}

std::string_view XmlReader::LocalName() const { return View(xmlTextReaderConstLocalName(reader_)); }

std::string_view XmlReader::Namespace() const {
  return View(xmlTextReaderConstNamespaceUri(reader_));
}

std::string_view XmlReader::Prefix() const { return View(xmlTextReaderConstPrefix(reader_)); }

std::string_view XmlReader::Value() const { return View(xmlTextReaderConstValue(reader_)); }

std::string XmlReader::Attribute(std::string_view ns, std::string_view local) const {
  const std::string l(local);
  xmlChar* value =
      ns.empty() ? xmlTextReaderGetAttribute(reader_, X(l.c_str()))
                 : xmlTextReaderGetAttributeNs(reader_, X(l.c_str()), X(std::string(ns).c_str()));
  if (value == nullptr) return {};
  std::string result(reinterpret_cast<const char*>(value));
  xmlFree(value);
  return result;
}

bool XmlReader::HasAttribute(std::string_view ns, std::string_view local) const {
  const std::string l(local);
  xmlChar* value =
      ns.empty() ? xmlTextReaderGetAttribute(reader_, X(l.c_str()))
                 : xmlTextReaderGetAttributeNs(reader_, X(l.c_str()), X(std::string(ns).c_str()));
  if (value == nullptr) return false;
  xmlFree(value);
  return true;
}

std::string XmlReader::RawAttributes() const {
  std::string out;
  if (xmlTextReaderHasAttributes(reader_) != 1) return out;
  // The element node itself: its attributes and namespace declarations,
  // written as the serialiser writes them.
  xmlNodePtr node = xmlTextReaderCurrentNode(reader_);
  if (node == nullptr) return out;
  for (xmlNsPtr ns = node->nsDef; ns != nullptr; ns = ns->next) {
    out += ns->prefix != nullptr ? " xmlns:" + std::string(View(ns->prefix)) : " xmlns";
    out += "=\"";
    xmlChar* escaped = xmlEncodeSpecialChars(node->doc, ns->href);
    out += View(escaped);
    xmlFree(escaped);
    out += '"';
  }
  for (xmlAttrPtr a = node->properties; a != nullptr; a = a->next) {
    out += ' ';
    if (a->ns != nullptr && a->ns->prefix != nullptr) {
      out += View(a->ns->prefix);
      out += ':';
    }
    out += View(a->name);
    out += "=\"";
    xmlChar* value = xmlNodeListGetString(node->doc, a->children, 1);
    xmlChar* escaped = xmlEncodeSpecialChars(node->doc, value);
    out += View(escaped);
    xmlFree(escaped);
    xmlFree(value);
    out += '"';
  }
  return out;
}

std::string XmlReader::OuterXml() {
  xmlNodePtr node = xmlTextReaderExpand(reader_);
  Check(node == nullptr ? -1 : 0);
  xmlBufferPtr buffer = xmlBufferCreate();
  if (buffer == nullptr) throw std::bad_alloc();
  xmlNodeDump(buffer, node->doc, node, 0, 0);
  std::string result(reinterpret_cast<const char*>(xmlBufferContent(buffer)),
                     static_cast<std::size_t>(xmlBufferLength(buffer)));
  xmlBufferFree(buffer);
  // Past the subtree, onto its last node: the next Read() moves on.
  if (!IsEmptyElement()) {
    const int depth = Depth();
    while (Read()) {
      if (IsEnd() && Depth() == depth) break;
    }
  }
  return result;
}

const xmlNode* XmlReader::Expand() {
  xmlNodePtr node = xmlTextReaderExpand(reader_);
  Check(node == nullptr ? -1 : 0);
  return node;
}

std::string XmlReader::QualifiedName() const {
  return std::string(View(xmlTextReaderConstName(reader_)));
}

XmlWriter::XmlWriter(Sink sink) : sink_(std::move(sink)) {
  xmlOutputBufferPtr output =
      xmlOutputBufferCreateIO(&XmlWriter::Write, &XmlWriter::Close, this, nullptr);
  if (output == nullptr) throw std::bad_alloc();
  writer_ = xmlNewTextWriter(output);
  if (writer_ == nullptr) {
    xmlOutputBufferClose(output);
    throw std::bad_alloc();
  }
}

XmlWriter::~XmlWriter() {
  if (writer_ != nullptr) xmlFreeTextWriter(writer_);
}

int XmlWriter::Write(void* context, const char* buffer, int length) {
  auto* self = static_cast<XmlWriter*>(context);
  try {
    self->sink_(std::string_view(buffer, static_cast<std::size_t>(length)));
  } catch (...) {
    return -1;
  }
  return length;
}

int XmlWriter::Close(void*) { return 0; }

void XmlWriter::Check(int status) const {
  if (status < 0) throw Error(errors::kFile, "Не удалось записать часть документа");
}

void XmlWriter::Declaration() { Check(xmlTextWriterStartDocument(writer_, "1.0", "UTF-8", "yes")); }

void XmlWriter::Start(const char* name) { Check(xmlTextWriterStartElement(writer_, X(name))); }

void XmlWriter::Attribute(const char* name, std::string_view value) {
  const std::string v(value);
  Check(xmlTextWriterWriteAttribute(writer_, X(name), X(v.c_str())));
}

void XmlWriter::Attribute(const char* name, long value) { Attribute(name, std::to_string(value)); }

void XmlWriter::End() { Check(xmlTextWriterEndElement(writer_)); }

void XmlWriter::Text(std::string_view utf8) {
  if (utf8.empty()) return;
  if (utf8.size() > static_cast<std::size_t>(INT_MAX)) Check(-1);
  // Escaping by hand keeps the common case (no markup characters) a copy.
  std::size_t from = 0;
  for (std::size_t i = 0; i < utf8.size(); ++i) {
    const char* entity = nullptr;
    switch (utf8[i]) {
      case '<': entity = "&lt;"; break;
      case '>': entity = "&gt;"; break;
      case '&': entity = "&amp;"; break;
      case '\r': entity = "&#13;"; break;
      default: break;
    }
    if (entity == nullptr) continue;
    Raw(utf8.substr(from, i - from));
    Raw(entity);
    from = i + 1;
  }
  Raw(utf8.substr(from));
}

void XmlWriter::Raw(std::string_view markup) {
  if (markup.empty()) return;
  if (markup.size() > static_cast<std::size_t>(INT_MAX)) Check(-1);
  Check(xmlTextWriterWriteRawLen(writer_, reinterpret_cast<const xmlChar*>(markup.data()),
                                 static_cast<int>(markup.size())));
}

void XmlWriter::Finish() {
  Check(xmlTextWriterEndDocument(writer_));
  Check(xmlTextWriterFlush(writer_));
}

std::string Fragment(const std::function<void(XmlWriter&)>& build) {
  std::string out;
  {
    XmlWriter writer([&](std::string_view piece) { out.append(piece); });
    build(writer);
    writer.Finish();
  }
  // Ending the document adds a line end that a fragment has no use for.
  if (!out.empty() && out.back() == '\n') out.pop_back();
  return out;
}

}  // namespace quorlex::automation::wordml
