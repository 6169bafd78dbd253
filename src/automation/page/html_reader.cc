#include "automation/page/html_reader.h"

#include <libxml/HTMLparser.h>
#include <libxml/parserInternals.h>

#include <climits>
#include <exception>
#include <memory>
#include <string>
#include <vector>

#include "platform/error.h"
#include "platform/text.h"

namespace quorlex::automation::page {
namespace {

struct ContextDeleter {
  void operator()(htmlParserCtxtPtr ctxt) const { htmlFreeParserCtxt(ctxt); }
};
using ContextPtr = std::unique_ptr<htmlParserCtxt, ContextDeleter>;

struct Session {
  HtmlHandler* handler = nullptr;
  htmlParserCtxtPtr ctxt = nullptr;
  std::vector<HtmlAttribute> attributes;
  std::exception_ptr failure;  // an exception must not cross the C parser

  template <typename F>
  void Guard(F&& f) {
    if (failure) return;
    try {
      f();
    } catch (...) {
      failure = std::current_exception();
      xmlStopParser(ctxt);
    }
  }
};

std::string_view View(const xmlChar* s) {
  return s == nullptr ? std::string_view() : std::string_view(reinterpret_cast<const char*>(s));
}

std::string_view View(const xmlChar* s, int length) {
  if (s == nullptr || length <= 0) return {};
  return std::string_view(reinterpret_cast<const char*>(s), static_cast<std::size_t>(length));
}

void OnStart(void* user, const xmlChar* name, const xmlChar** attributes) {
  auto* session = static_cast<Session*>(user);
  session->Guard([&] {
    session->attributes.clear();
    for (std::size_t i = 0; attributes != nullptr && attributes[i] != nullptr; i += 2) {
      session->attributes.push_back(HtmlAttribute{View(attributes[i]), View(attributes[i + 1])});
    }
    session->handler->StartElement(View(name), session->attributes);
  });
}

void OnEnd(void* user, const xmlChar* name) {
  auto* session = static_cast<Session*>(user);
  session->Guard([&] { session->handler->EndElement(View(name)); });
}

void OnText(void* user, const xmlChar* text, int length) {
  auto* session = static_cast<Session*>(user);
  session->Guard([&] { session->handler->Text(View(text, length)); });
}

// Well-formed UTF-8 without NUL bytes, as the parser needs it.
std::string Sanitized(std::string_view input) {
  std::string out;
  out.reserve(input.size());
  std::size_t i = 0;
  while (i < input.size()) {
    const auto byte = static_cast<unsigned char>(input[i]);
    if (byte != 0 && byte < 0x80) {
      out.push_back(input[i++]);
      continue;
    }
    const char32_t c = text::DecodeNext(input, i);
    text::AppendUtf8(out, c == 0 ? U'\uFFFD' : c);
  }
  return out;
}

}  // namespace

void ReadHtml(std::string_view utf8, HtmlHandler& handler) {
  std::string sanitized;
  if (utf8.find('\0') != std::string_view::npos || !text::IsValidUtf8(utf8)) {
    sanitized = Sanitized(utf8);
    utf8 = sanitized;
  }
  if (utf8.size() > static_cast<std::size_t>(INT_MAX)) {
    throw Error(errors::kInvalidArgument, "The page is too large to paste (over 2 GB)");
  }
  if (utf8.empty()) return;

  ContextPtr ctxt(htmlNewParserCtxt());
  if (ctxt == nullptr || ctxt->sax == nullptr) {
    throw Error(errors::kInvalidArgument, "The HTML parser could not be set up");
  }
  htmlSAXHandler sax{};
  sax.startElement = OnStart;
  sax.endElement = OnEnd;
  sax.characters = OnText;
  sax.ignorableWhitespace = OnText;  // white space between inline elements shows
  sax.cdataBlock = OnText;           // <script> and <style> content
  *ctxt->sax = sax;
  Session session;
  session.handler = &handler;
  session.ctxt = ctxt.get();
  ctxt->userData = &session;

  const int options = HTML_PARSE_NONET | HTML_PARSE_NOERROR | HTML_PARSE_NOWARNING | HTML_PARSE_RECOVER |
                      HTML_PARSE_IGNORE_ENC;
  // With a SAX handler that builds nothing the parser returns no document.
  xmlDocPtr doc = htmlCtxtReadMemory(ctxt.get(), utf8.data(), static_cast<int>(utf8.size()), nullptr, "UTF-8", options);
  if (doc != nullptr) xmlFreeDoc(doc);
  if (session.failure) std::rethrow_exception(session.failure);
}

}  // namespace quorlex::automation::page
