#include "automation/package/xml_writer.h"

#include "platform/error.h"

namespace quorlex::automation::package {
namespace {

int AppendToSink(void* context, const char* buffer, int length) {
  static_cast<std::string*>(context)->append(buffer, static_cast<std::size_t>(length));
  return length;
}

int CloseSink(void* /*context*/) { return 0; }

const xmlChar* X(const char* s) { return reinterpret_cast<const xmlChar*>(s); }

}  // namespace

XmlWriter::XmlWriter(std::string& sink) {
  xmlOutputBufferPtr out = xmlOutputBufferCreateIO(AppendToSink, CloseSink, &sink, nullptr);
  if (out == nullptr) throw std::bad_alloc();
  writer_ = xmlNewTextWriter(out);  // owns `out` from here on
  if (writer_ == nullptr) {
    xmlOutputBufferClose(out);
    throw std::bad_alloc();
  }
}

XmlWriter::~XmlWriter() {
  if (writer_ != nullptr) xmlFreeTextWriter(writer_);
}

void XmlWriter::Check(int result, const char* what) {
  if (result < 0) throw Error(errors::kFile, std::string("Ошибка записи XML: ") + what);
}

const char* XmlWriter::Terminated(std::string_view value) {
  scratch_.assign(value);
  return scratch_.c_str();
}

void XmlWriter::StartDocument() {
  Check(xmlTextWriterStartDocument(writer_, "1.0", "UTF-8", "yes"), "начало документа");
  // libxml2 ends the declaration with a line break of its own.
}

void XmlWriter::Start(const char* name) {
  Check(xmlTextWriterStartElement(writer_, X(name)), name);
}

void XmlWriter::Attribute(const char* name, std::string_view value) {
  Check(xmlTextWriterWriteAttribute(writer_, X(name), X(Terminated(value))), name);
}

void XmlWriter::PlainAttribute(const char* name, std::string_view value) {
  Check(xmlTextWriterStartAttribute(writer_, X(name)), name);
  Check(xmlTextWriterWriteRawLen(writer_, reinterpret_cast<const xmlChar*>(value.data()),
                                 static_cast<int>(value.size())),
        name);
  Check(xmlTextWriterEndAttribute(writer_), name);
}

void XmlWriter::Text(std::string_view text) {
  if (text.empty()) return;
  Check(xmlTextWriterWriteString(writer_, X(Terminated(text))), "текст");
}

void XmlWriter::Raw(std::string_view xml) {
  if (xml.empty()) return;
  Check(xmlTextWriterWriteRawLen(writer_, reinterpret_cast<const xmlChar*>(xml.data()),
                                 static_cast<int>(xml.size())),
        "разметка");
}

void XmlWriter::Element(const char* name, std::string_view text) {
  Start(name);
  Text(text);
  End();
}

void XmlWriter::End() { Check(xmlTextWriterEndElement(writer_), "конец элемента"); }

void XmlWriter::EndDocument() {
  Check(xmlTextWriterEndDocument(writer_), "конец документа");
  Flush();
}

void XmlWriter::Flush() { Check(xmlTextWriterFlush(writer_), "сброс"); }

}  // namespace quorlex::automation::package
