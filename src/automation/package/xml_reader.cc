#include "automation/package/xml_reader.h"

#include <libxml/parser.h>
#include <libxml/xmlerror.h>

#include "platform/error.h"

namespace quorlex::automation::package {
namespace {

// Nothing from the network, no substitution of entities, no external
// subset; CDATA arrives as text.
constexpr int kParseOptions = XML_PARSE_NONET | XML_PARSE_NOCDATA | XML_PARSE_NOERROR |
                              XML_PARSE_NOWARNING | XML_PARSE_COMPACT;

void KeepFirstError(void* arg, const char* message, xmlParserSeverities severity,
                    xmlTextReaderLocatorPtr /*locator*/) {
  if (severity != XML_PARSER_SEVERITY_ERROR && severity != XML_PARSER_SEVERITY_VALIDITY_ERROR) {
    return;
  }
  auto* error = static_cast<std::string*>(arg);
  if (!error->empty() || message == nullptr) return;
  *error = message;
  while (!error->empty() && (error->back() == '\n' || error->back() == ' '))
    error->pop_back();
}

std::string_view View(const xmlChar* s) {
  return s == nullptr ? std::string_view() : std::string_view(reinterpret_cast<const char*>(s));
}

std::string Take(xmlChar* s) {
  if (s == nullptr) return {};
  std::string out(reinterpret_cast<const char*>(s));
  xmlFree(s);
  return out;
}

void AppendEscaped(std::string& out, std::string_view value) {
  for (char c : value) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      case '\t': out += "&#9;"; break;
      case '\n': out += "&#10;"; break;
      case '\r': out += "&#13;"; break;
      default: out.push_back(c);
    }
  }
}

}  // namespace

XmlReader::XmlReader(std::string_view xml, std::string part_name) : part_(std::move(part_name)) {
  reader_ =
      xmlReaderForMemory(xml.data(), static_cast<int>(xml.size()), nullptr, "UTF-8", kParseOptions);
  if (reader_ == nullptr) Fail("не удалось начать разбор");
  xmlTextReaderSetErrorHandler(reader_, KeepFirstError, &error_);
}

XmlReader::~XmlReader() {
  if (reader_ != nullptr) xmlFreeTextReader(reader_);
}

void XmlReader::Check(int result) {
  if (result < 0 || !error_.empty()) {
    Fail(error_.empty() ? std::string("ошибка разбора") : error_);
  }
  type_ = result == 0 ? XML_READER_TYPE_NONE : xmlTextReaderNodeType(reader_);
  if (type_ == XML_READER_TYPE_DOCUMENT_TYPE || type_ == XML_READER_TYPE_ENTITY_REFERENCE) {
    Fail("объявление типа документа или ссылка на сущность");
  }
}

bool XmlReader::Next() {
  if (pending_) {
    pending_ = false;
    return pending_result_;
  }
  const int result = xmlTextReaderRead(reader_);
  Check(result);
  return result == 1;
}

void XmlReader::Skip() {
  if (pending_) return;
  const int result = xmlTextReaderNext(reader_);
  Check(result);
  pending_ = true;
  pending_result_ = result == 1;
}

bool XmlReader::IsText() const {
  return type_ == XML_READER_TYPE_TEXT || type_ == XML_READER_TYPE_CDATA ||
         type_ == XML_READER_TYPE_SIGNIFICANT_WHITESPACE || type_ == XML_READER_TYPE_WHITESPACE;
}

bool XmlReader::IsEmptyElement() const { return xmlTextReaderIsEmptyElement(reader_) == 1; }
int XmlReader::Depth() const { return xmlTextReaderDepth(reader_); }

std::string_view XmlReader::LocalName() const { return View(xmlTextReaderConstLocalName(reader_)); }
std::string_view XmlReader::Namespace() const {
  return View(xmlTextReaderConstNamespaceUri(reader_));
}
std::string_view XmlReader::QualifiedName() const { return View(xmlTextReaderConstName(reader_)); }

std::optional<std::string> XmlReader::Attribute(const char* local) const {
  xmlChar* value = xmlTextReaderGetAttribute(reader_, reinterpret_cast<const xmlChar*>(local));
  if (value == nullptr) return std::nullopt;
  return Take(value);
}

std::optional<std::string> XmlReader::AttributeNs(const char* local, const char* ns) const {
  xmlChar* value = xmlTextReaderGetAttributeNs(reader_, reinterpret_cast<const xmlChar*>(local),
                                               reinterpret_cast<const xmlChar*>(ns));
  if (value == nullptr) return std::nullopt;
  return Take(value);
}

std::string XmlReader::AttributesXml() const {
  std::string out;
  if (xmlTextReaderMoveToFirstAttribute(reader_) != 1) return out;
  do {
    out += ' ';
    out += View(xmlTextReaderConstName(reader_));
    out += "=\"";
    AppendEscaped(out, View(xmlTextReaderConstValue(reader_)));
    out += '"';
  } while (xmlTextReaderMoveToNextAttribute(reader_) == 1);
  xmlTextReaderMoveToElement(reader_);
  return out;
}

std::string XmlReader::Value() const { return std::string(View(xmlTextReaderConstValue(reader_))); }

std::string XmlReader::ReadText() {
  std::string text;
  if (!IsStart() || IsEmptyElement()) return text;
  const int depth = Depth();
  while (Next()) {
    if (IsEnd() && Depth() == depth) break;
    if (IsText()) text += View(xmlTextReaderConstValue(reader_));
  }
  return text;
}

std::string XmlReader::TakeOuterXml() {
  std::string xml = Take(xmlTextReaderReadOuterXml(reader_));
  if (!error_.empty()) Fail(error_);
  Skip();
  return xml;
}

int XmlReader::Line() const { return xmlTextReaderGetParserLineNumber(reader_); }

void XmlReader::Fail(const std::string& what) const {
  const int line = reader_ == nullptr ? 0 : xmlTextReaderGetParserLineNumber(reader_);
  throw Error(errors::kFormat,
              "Ошибка разбора части " + part_ + " (строка " + std::to_string(line) + "): " + what);
}

}  // namespace quorlex::automation::package
