#include "automation/browser/renderer.h"

#include <libexslt/exslt.h>
#include <libxml/HTMLtree.h>
#include <libxml/parser.h>
#include <libxml/parserInternals.h>
#include <libxml/uri.h>
#include <libxml/xmlIO.h>
#include <libxslt/extensions.h>
#include <libxslt/extra.h>
#include <libxslt/imports.h>
#include <libxslt/security.h>
#include <libxslt/transform.h>
#include <libxslt/xslt.h>
#include <libxslt/xsltInternals.h>
#include <libxslt/xsltutils.h>
#include <limits.h>
#include <stdlib.h>

#include <cstdarg>
#include <cstdio>
#include <memory>
#include <string_view>

#include "platform/error.h"
#include "platform/files.h"
#include "platform/text.h"

namespace quorlex::automation::browser {
namespace {

// ---- RAII for libxml2 and libxslt objects --------------------------------

struct DocFree {
  void operator()(xmlDoc* d) const { xmlFreeDoc(d); }
};
struct StylesheetFree {
  void operator()(xsltStylesheet* s) const { xsltFreeStylesheet(s); }
};
struct TransformFree {
  void operator()(xsltTransformContext* c) const { xsltFreeTransformContext(c); }
};
struct ParserFree {
  void operator()(xmlParserCtxt* c) const { xmlFreeParserCtxt(c); }
};
struct SecurityFree {
  void operator()(xsltSecurityPrefs* p) const { xsltFreeSecurityPrefs(p); }
};
struct XmlCharFree {
  void operator()(xmlChar* p) const { xmlFree(p); }
};
struct UriFree {
  void operator()(xmlURI* u) const { xmlFreeURI(u); }
};
using DocPtr = std::unique_ptr<xmlDoc, DocFree>;
using XmlString = std::unique_ptr<xmlChar, XmlCharFree>;

const char* Chars(const xmlChar* s) { return reinterpret_cast<const char*>(s); }
const xmlChar* XmlChars(const char* s) { return reinterpret_cast<const xmlChar*>(s); }

// ---- What went wrong during one rendering ---------------------------------

// Rendering runs on one thread at a time; the libraries report through
// global callbacks, so the current rendering's findings live here.
struct Findings {
  std::string messages;       // library messages, for the description
  std::string forbidden;      // the first forbidden access, if any
};
thread_local Findings* current = nullptr;

void Note(std::string_view message) {
  if (current == nullptr) return;
  std::string m(message);
  while (!m.empty() && (m.back() == '\n' || m.back() == ' ')) m.pop_back();
  if (m.empty()) return;
  if (current->messages.size() < 2000) {
    if (!current->messages.empty()) current->messages += "; ";
    current->messages += m;
  }
}

void Forbid(const std::string& what) {
  if (current != nullptr && current->forbidden.empty()) current->forbidden = what;
}

void GenericError(void*, const char* format, ...) {
  char buffer[1024];
  va_list args;
  va_start(args, format);
  std::vsnprintf(buffer, sizeof buffer, format, args);
  va_end(args);
  Note(buffer);
}

bool IsLocal(const char* url) {
  if (url == nullptr) return true;
  const std::unique_ptr<xmlURI, UriFree> uri(xmlParseURI(url));
  if (!uri) return true;  // not a URI at all: a plain file name
  if (uri->scheme == nullptr) return true;
  return std::string_view(uri->scheme) == "file";
}

xmlExternalEntityLoader default_loader = nullptr;

// Every external resource the parser wants (DTDs, entities, stylesheets,
// documents) passes here: local files are read, anything else is refused.
xmlParserInputPtr GuardedLoader(const char* url, const char* id, xmlParserCtxtPtr ctxt) {
  if (!IsLocal(url)) {
    Forbid(std::string("обращение к сети (") + (url != nullptr ? url : "") + ")");
    return nullptr;
  }
  return default_loader(url, id, ctxt);
}

int ForbidWrite(xsltSecurityPrefsPtr, xsltTransformContextPtr, const char* value) {
  Forbid(std::string("запись файла (") + (value != nullptr ? value : "") + ")");
  return 0;
}
int ForbidDirectory(xsltSecurityPrefsPtr, xsltTransformContextPtr, const char* value) {
  Forbid(std::string("создание каталога (") + (value != nullptr ? value : "") + ")");
  return 0;
}
int ForbidNetwork(xsltSecurityPrefsPtr, xsltTransformContextPtr, const char* value) {
  Forbid(std::string("обращение к сети (") + (value != nullptr ? value : "") + ")");
  return 0;
}

void InitializeOnce() {
  static const bool done = [] {
    xmlInitParser();
    exsltRegisterAll();
    // Reports written for the other common XSLT processor use its node-set().
    xsltRegisterExtModuleFunction(XmlChars("node-set"),
                                  XmlChars("urn:schemas-microsoft-com:xslt"),
                                  xsltFunctionNodeSet);
    default_loader = xmlGetExternalEntityLoader();
    xmlSetExternalEntityLoader(GuardedLoader);
    xmlSetGenericErrorFunc(nullptr, GenericError);
    xsltSetGenericErrorFunc(nullptr, GenericError);
    xsltSecurityPrefsPtr prefs = xsltNewSecurityPrefs();
    xsltSetSecurityPrefs(prefs, XSLT_SECPREF_WRITE_FILE, ForbidWrite);
    xsltSetSecurityPrefs(prefs, XSLT_SECPREF_CREATE_DIRECTORY, ForbidDirectory);
    xsltSetSecurityPrefs(prefs, XSLT_SECPREF_WRITE_NETWORK, ForbidNetwork);
    xsltSetSecurityPrefs(prefs, XSLT_SECPREF_READ_NETWORK, ForbidNetwork);
    xsltSetDefaultSecurityPrefs(prefs);  // owned by libxslt from here on
    return true;
  }();
  (void)done;
}

[[noreturn]] void Fail(const std::string& description) {
  throw Error(errors::kRendering, description);
}

std::string Detail(const Findings& findings) {
  return findings.messages.empty() ? std::string() : ": " + findings.messages;
}

// Parse options for the report and its stylesheets: entities substituted as
// a browser shows them, nothing fetched from the network, the library's
// default limits on entity expansion kept (no XML_PARSE_HUGE).
constexpr int kParseOptions = XML_PARSE_NOENT | XML_PARSE_NONET | XML_PARSE_NOCDATA |
                              XML_PARSE_NOWARNING;

DocPtr ParseXml(const std::string& path, const std::string& content, Findings& findings,
                const std::string& what) {
  std::unique_ptr<xmlParserCtxt, ParserFree> ctxt(xmlNewParserCtxt());
  if (!ctxt) Fail("недостаточно памяти для разбора " + what);
  if (content.size() > static_cast<std::size_t>(INT_MAX)) Fail("слишком большой файл: " + path);
  DocPtr doc(xmlCtxtReadMemory(ctxt.get(), content.data(), static_cast<int>(content.size()),
                               path.c_str(), nullptr, kParseOptions));
  if (!findings.forbidden.empty()) {
    Fail("В " + what + " запрещено " + findings.forbidden);
  }
  if (!doc || !ctxt->wellFormed) {
    const xmlError* e = &ctxt->lastError;
    std::string message = e->message != nullptr ? e->message : "неизвестная ошибка";
    while (!message.empty() && message.back() == '\n') message.pop_back();
    Fail("Ошибка разбора " + what + " (строка " + std::to_string(e->line) + "): " + message);
  }
  // An external DTD is not loaded, but one named on the network is refused
  // all the same: such a report expects the network.
  if (doc->intSubset != nullptr && doc->intSubset->SystemID != nullptr &&
      !IsLocal(Chars(doc->intSubset->SystemID))) {
    Fail("В " + what + " запрещено обращение к сети (" +
         std::string(Chars(doc->intSubset->SystemID)) + ")");
  }
  return doc;
}

std::string PseudoAttribute(std::string_view data, std::string_view name) {
  std::size_t at = 0;
  while ((at = data.find(name, at)) != std::string_view::npos) {
    const bool boundary = at == 0 || data[at - 1] == ' ' || data[at - 1] == '\t' ||
                          data[at - 1] == '\n' || data[at - 1] == '\r';
    std::size_t i = at + name.size();
    at = i;
    if (!boundary) continue;
    while (i < data.size() && (data[i] == ' ' || data[i] == '\t')) ++i;
    if (i >= data.size() || data[i] != '=') continue;
    ++i;
    while (i < data.size() && (data[i] == ' ' || data[i] == '\t')) ++i;
    if (i >= data.size() || (data[i] != '"' && data[i] != '\'')) continue;
    const char quote = data[i];
    const auto end = data.find(quote, i + 1);
    if (end == std::string_view::npos) return {};
    return std::string(data.substr(i + 1, end - i - 1));
  }
  return {};
}

bool IsStylesheetType(const std::string& type) {
  return type.empty() || type == "text/xsl" || type == "text/xml" ||
         type == "application/xslt+xml" || type == "application/xml";
}

// The href of the first xml-stylesheet instruction of an XSLT type in the
// document's prolog, or nothing.
std::string StylesheetHref(xmlDoc* doc) {
  for (xmlNode* node = doc->children; node != nullptr; node = node->next) {
    if (node->type == XML_ELEMENT_NODE) break;
    if (node->type != XML_PI_NODE || node->name == nullptr ||
        std::string_view(Chars(node->name)) != "xml-stylesheet") {
      continue;
    }
    const std::string_view data = node->content != nullptr ? Chars(node->content) : "";
    const std::string href = PseudoAttribute(data, "href");
    if (!href.empty() && IsStylesheetType(PseudoAttribute(data, "type"))) return href;
  }
  return {};
}

std::string AbsolutePath(const std::string& path) {
  char resolved[PATH_MAX];
  if (realpath(path.c_str(), resolved) != nullptr) return resolved;
  return path;
}

// Resolves a stylesheet reference against the report's own path. Plain
// relative and absolute paths and file: URLs are local; anything with another
// scheme is left for the caller to refuse.
std::string ResolveHref(const std::string& href, const std::string& base) {
  if (!IsLocal(href.c_str())) return href;
  std::string path = href;
  if (text::StartsWith(path, "file://")) {
    path = path.substr(7);
  } else if (text::StartsWith(path, "file:")) {
    path = path.substr(5);
  }
  if (path.find('%') != std::string::npos) {
    XmlString unescaped(
        reinterpret_cast<xmlChar*>(xmlURIUnescapeString(path.c_str(), 0, nullptr)));
    if (unescaped) path = Chars(unescaped.get());
  }
  if (text::StartsWith(path, "/")) return path;
  const auto slash = base.rfind('/');
  return slash == std::string::npos ? path : base.substr(0, slash + 1) + path;
}

std::string Serialize(xmlDoc* result, std::string_view kind) {
  if (result->type == XML_HTML_DOCUMENT_NODE || kind == "html") {
    // Declaring the document UTF-8 keeps its text as it is instead of
    // character references.
    if (result->encoding != nullptr) xmlFree(const_cast<xmlChar*>(result->encoding));
    result->encoding = xmlStrdup(XmlChars("UTF-8"));
    htmlSetMetaEncoding(result, XmlChars("UTF-8"));
    xmlOutputBufferPtr buffer = xmlAllocOutputBuffer(xmlFindCharEncodingHandler("UTF-8"));
    if (buffer == nullptr) Fail("недостаточно памяти для страницы отчета");
    htmlDocContentDumpFormatOutput(buffer, result, "UTF-8", 0);
    xmlOutputBufferFlush(buffer);
    // With an encoder the finished bytes sit in the conversion buffer.
    xmlBuf* bytes = buffer->conv != nullptr ? buffer->conv : buffer->buffer;
    std::string page(Chars(xmlBufContent(bytes)), xmlBufUse(bytes));
    xmlOutputBufferClose(buffer);
    return page;
  }

  // Without an encoder the buffer receives the library's own UTF-8.
  xmlOutputBufferPtr buffer = xmlAllocOutputBuffer(nullptr);
  if (buffer == nullptr) Fail("недостаточно памяти для страницы отчета");
  if (kind == "text") {
    // A plain-text result shows as preformatted text.
    xmlOutputBufferWriteString(buffer, "<html><body><pre>");
    for (xmlNode* n = result->children; n != nullptr; n = n->next) {
      if (n->type != XML_TEXT_NODE || n->content == nullptr) continue;
      XmlString escaped(xmlEncodeSpecialChars(result, n->content));
      if (escaped) xmlOutputBufferWriteString(buffer, Chars(escaped.get()));
    }
    xmlOutputBufferWriteString(buffer, "</pre></body></html>");
  } else {
    for (xmlNode* n = result->children; n != nullptr; n = n->next) {
      xmlNodeDumpOutput(buffer, result, n, 0, 0, nullptr);
    }
  }
  xmlOutputBufferFlush(buffer);
  const xmlChar* content = xmlOutputBufferGetContent(buffer);
  std::string page(content != nullptr ? Chars(content) : "", xmlOutputBufferGetSize(buffer));
  xmlOutputBufferClose(buffer);
  return page;
}

// The result of the transformation, with the output method it asked for.
struct Rendered {
  DocPtr tree;
  std::string method;
};

Rendered RenderTree(const std::string& xmlPath) {
  InitializeOnce();
  Findings findings;
  current = &findings;
  struct Reset {
    ~Reset() { current = nullptr; }
  } reset;

  const auto content = platform::ReadFile(xmlPath);
  if (!content) Fail("Не удалось прочитать файл " + xmlPath);
  const std::string base = AbsolutePath(xmlPath);
  DocPtr doc = ParseXml(base, *content, findings, "отчета " + xmlPath);

  const std::string href = StylesheetHref(doc.get());
  if (href.empty()) {
    Fail("В отчете " + xmlPath + " не указана таблица стилей (xml-stylesheet)");
  }
  std::unique_ptr<xsltStylesheet, StylesheetFree> style;
  if (href.front() == '#') {
    style.reset(xsltLoadStylesheetPI(doc.get()));
    if (!style) Fail("Ошибка во встроенной таблице стилей отчета" + Detail(findings));
  } else {
    const std::string stylePath = ResolveHref(href, base);
    if (!IsLocal(stylePath.c_str())) {
      Fail("В отчете " + xmlPath + " запрещено обращение к сети (" + stylePath + ")");
    }
    const auto styleContent = platform::ReadFile(stylePath);
    if (!styleContent) Fail("Не найдена таблица стилей " + stylePath);
    DocPtr styleDoc = ParseXml(stylePath, *styleContent, findings, "таблицы стилей " + stylePath);
    if (xsltStylesheet* parsed = xsltParseStylesheetDoc(styleDoc.get())) {
      (void)styleDoc.release();  // the stylesheet owns its document now
      style.reset(parsed);
    }
    if (!findings.forbidden.empty()) {
      Fail("В таблице стилей " + stylePath + " запрещено " + findings.forbidden);
    }
    if (!style || style->errors > 0) {
      Fail("Ошибка в таблице стилей " + stylePath + Detail(findings));
    }
  }

  std::unique_ptr<xsltTransformContext, TransformFree> ctxt(
      xsltNewTransformContext(style.get(), doc.get()));
  if (!ctxt) Fail("недостаточно памяти для преобразования отчета");
  xsltSetCtxtSecurityPrefs(xsltGetDefaultSecurityPrefs(), ctxt.get());
  DocPtr result(xsltApplyStylesheetUser(style.get(), doc.get(), nullptr, nullptr, nullptr,
                                        ctxt.get()));
  if (!findings.forbidden.empty()) {
    Fail("Таблице стилей отчета " + xmlPath + " запрещено " + findings.forbidden);
  }
  if (!result || ctxt->state == XSLT_STATE_ERROR || ctxt->state == XSLT_STATE_STOPPED) {
    Fail("Ошибка преобразования отчета " + xmlPath + Detail(findings));
  }
  xmlChar* method = nullptr;
  xsltStylesheet* const outermost = style.get();
  XSLT_GET_IMPORT_PTR(method, outermost, method)
  // The result shares the stylesheet's dictionary by reference, so it
  // outlives the stylesheet, the context and the report's own tree.
  return {std::move(result), method != nullptr ? Chars(method) : ""};
}

}  // namespace

std::string RenderReport(const std::string& xmlPath) {
  Rendered page = RenderTree(xmlPath);
  return Serialize(page.tree.get(), page.method);
}

page::Page RenderReportPage(const std::string& xmlPath) {
  Rendered page = RenderTree(xmlPath);
  // A plain-text result becomes a page only by being written out as one.
  if (page.method == "text") return page::ParsePage(Serialize(page.tree.get(), page.method));
  return page::ReadPage(*page.tree);
}

}  // namespace quorlex::automation::browser
