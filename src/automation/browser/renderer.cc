#include "automation/browser/renderer.h"

#include <libexslt/exslt.h>
#include <libxml/HTMLtree.h>
#include <libxml/parser.h>
#include <libxml/parserInternals.h>
#include <libxml/uri.h>
#include <libxml/xmlIO.h>
#include <libxslt/documents.h>
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
#include <unistd.h>

#include <cstdarg>
#include <cstdio>
#include <memory>
#include <optional>
#include <string_view>

#include "automation/browser/local_files.h"
#include "automation/browser/render_guard.h"
#include "automation/browser/stylesheet_check.h"
#include "automation/browser/unescaped_text.h"
#include "platform/error.h"
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
struct XmlCharFree {
  void operator()(xmlChar* p) const { xmlFree(p); }
};
using DocPtr = std::unique_ptr<xmlDoc, DocFree>;
using XmlString = std::unique_ptr<xmlChar, XmlCharFree>;

const char* Chars(const xmlChar* s) { return reinterpret_cast<const char*>(s); }
const xmlChar* XmlChars(const char* s) { return reinterpret_cast<const xmlChar*>(s); }

// ---- What went wrong during one rendering ---------------------------------

// Rendering runs on one thread at a time; the libraries report through
// global callbacks, so the current rendering's findings live here.
struct Findings {
  std::string messages;     // library messages, for the description
  bool stack_dump = false;  // libxslt is listing its template stack: noise
  std::string forbidden;    // the first forbidden access, as a predicate ("запрещено ...")
  StylesheetFindings stylesheet;
};
thread_local Findings* current = nullptr;

// libxml2 and libxslt messages that speak to a programmer (an option to
// raise a limit) say what happened instead.
std::string Readable(std::string m) {
  static constexpr std::string_view kDepth = "Excessive depth in document: ";
  if (m.rfind(kDepth, 0) == 0) {
    std::size_t digits = kDepth.size();
    while (digits < m.size() && m[digits] >= '0' && m[digits] <= '9')
      ++digits;
    return "слишком глубокая вложенность элементов (более " +
           m.substr(kDepth.size(), digits - kDepth.size()) + " уровней)";
  }
  if (m.find("infinite template recursion") != std::string::npos) {
    if (m.find("maxTemplateVars") != std::string::npos) {
      return "слишком много переменных и параметров шаблонов: вероятно, бесконечная рекурсия";
    }
    return "слишком глубокая рекурсия шаблонов: вероятно, бесконечная рекурсия";
  }
  if (const auto option = m.find(" use XML_PARSE_HUGE option"); option != std::string::npos) {
    m.erase(option);
  }
  return m;
}

void Note(std::string_view message) {
  if (current == nullptr) return;
  std::string m(message);
  while (!m.empty() && (m.back() == '\n' || m.back() == ' '))
    m.pop_back();
  if (m.empty() || current->stack_dump) return;
  if (m == "Templates:") {
    current->stack_dump = true;
    return;
  }
  m = Readable(m);
  for (char& c : m) {
    if (c == '\n' || c == '\r') c = ' ';
  }
  if (current->messages.size() < 2000) {
    if (!current->messages.empty()) current->messages += "; ";
    current->messages += m;
  }
}

void Forbid(const std::string& predicate) {
  if (current != nullptr && current->forbidden.empty()) current->forbidden = predicate;
}

std::string Quoted(const char* value) {
  return std::string(" (") + (value != nullptr ? value : "") + ")";
}

void GenericError(void*, const char* format, ...) {
  char buffer[1024];
  va_list args;
  va_start(args, format);
  std::vsnprintf(buffer, sizeof buffer, format, args);
  va_end(args);
  try {
    Note(buffer);
  } catch (...) {
  }
}

// ---- The one loader ---------------------------------------------------------

// Every external resource the parser wants (DTDs, entities, stylesheets,
// documents) passes here: a local regular file is read, anything else is
// refused and noted. Nothing may be thrown across the libraries' frames.
xmlParserInputPtr LocalEntityLoader(const char* url, const char* /*id*/, xmlParserCtxtPtr ctxt) {
  try {
    if (url == nullptr) return nullptr;
    const auto path = LocalPath(url);
    if (!path) {
      Forbid("запрещено обращение к сети" + Quoted(url));
      return nullptr;
    }
    LocalRefusal refusal = LocalRefusal::kNone;
    const int fd = OpenLocalFile(*path, refusal);
    if (fd >= 0) ::close(fd);
    if (refusal == LocalRefusal::kNotRegular) {
      Forbid("запрещено чтение файла, не являющегося обычным" + Quoted(path->c_str()));
      return nullptr;
    }
    // libxml2 opens it again through the input callbacks, which take the
    // same path, and keeps the file's name as the base of its references.
    return xmlNewInputFromFile(ctxt, url);
  } catch (...) {
    return nullptr;
  }
}

// Parse options for the report, its stylesheets and documents: entities
// substituted as a browser shows them, nothing fetched from the network, the
// library's default limits on depth and entity expansion kept (no
// XML_PARSE_HUGE).
constexpr int kParseOptions =
    XML_PARSE_NOENT | XML_PARSE_NONET | XML_PARSE_NOCDATA | XML_PARSE_NOWARNING;

// What libxslt loads itself (imports, includes, document()) is parsed as its
// own loader would, with the rendering's bounds watched, and stylesheets
// checked before they are compiled.
xmlDocPtr LocalDocumentLoader(const xmlChar* uri, xmlDictPtr dict, int options, void* /*ctxt*/,
                              xsltLoadType type) {
  try {
    std::unique_ptr<xmlParserCtxt, ParserFree> parser(xmlNewParserCtxt());
    if (!parser) return nullptr;
    if (dict != nullptr) {
      if (parser->dict != nullptr) xmlDictFree(parser->dict);
      parser->dict = dict;
      xmlDictReference(dict);
    }
    xmlCtxtUseOptions(parser.get(), (options | XML_PARSE_NONET) & ~XML_PARSE_HUGE);
    RenderGuard::GuardParser(parser.get());
    xmlParserInputPtr input = xmlLoadExternalEntity(Chars(uri), nullptr, parser.get());
    if (input == nullptr) return nullptr;
    inputPush(parser.get(), input);
    if (parser->directory == nullptr) parser->directory = xmlParserGetDirectory(Chars(uri));
    xmlParseDocument(parser.get());
    DocPtr doc(parser->myDoc);
    parser->myDoc = nullptr;
    if (!parser->wellFormed) return nullptr;
    if (doc && type == XSLT_LOAD_STYLESHEET && current != nullptr) {
      CheckStylesheet(xmlDocGetRootElement(doc.get()), LocalPath(Chars(uri)).value_or(Chars(uri)),
                      current->stylesheet);
    }
    return doc.release();
  } catch (...) {
    return nullptr;
  }
}

int ForbidWrite(xsltSecurityPrefsPtr, xsltTransformContextPtr, const char* value) {
  try {
    Forbid("запрещена запись файла" + Quoted(value));
  } catch (...) {
  }
  return 0;
}
int ForbidDirectory(xsltSecurityPrefsPtr, xsltTransformContextPtr, const char* value) {
  try {
    Forbid("запрещено создание каталога" + Quoted(value));
  } catch (...) {
  }
  return 0;
}
int ForbidNetwork(xsltSecurityPrefsPtr, xsltTransformContextPtr, const char* value) {
  try {
    Forbid("запрещено обращение к сети" + Quoted(value));
  } catch (...) {
  }
  return 0;
}

void InitializeOnce() {
  static const bool done = [] {
    RenderGuard::InstallAllocator();
    xmlInitParser();
    exsltRegisterAll();
    // Reports written for the other common XSLT processor use its node-set().
    xsltRegisterExtModuleFunction(XmlChars("node-set"), XmlChars("urn:schemas-microsoft-com:xslt"),
                                  xsltFunctionNodeSet);
    RouteLibraryInputThroughLocalFiles();
    xmlSetExternalEntityLoader(LocalEntityLoader);
    xsltSetLoaderFunc(LocalDocumentLoader);
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

// What a rendering is about, in the two grammatical cases its messages need.
struct Subject {
  std::string prepositional;  // "отчете <путь>": "В отчете ... запрещено ..."
  std::string genitive;  // "отчета <путь>": "Ошибка разбора отчета ..."
};

// A bound passed or memory exhausted ends the rendering, whatever error the
// stopped parser or transformation reported.
void FailIfStopped(const RenderGuard& guard, const RenderLimits& limits,
                   const std::string& xml_path) {
  if (guard.OutOfMemory()) Fail("Недостаточно памяти");
  if (guard.TimeUp()) {
    Fail("Преобразование отчета " + xml_path + " прервано: превышено " + limits.time_name);
  }
  if (guard.OverMemoryLimit()) {
    Fail("Преобразование отчета " + xml_path + " прервано: ему нужно больше " +
         std::to_string(limits.memory_bytes >> 20) + " МБ памяти");
  }
}

DocPtr ParseXml(const std::string& path, const std::string& content, Findings& findings,
                const Subject& subject, const RenderGuard& guard, const RenderLimits& limits,
                const std::string& xml_path) {
  std::unique_ptr<xmlParserCtxt, ParserFree> ctxt(xmlNewParserCtxt());
  if (!ctxt) Fail("Недостаточно памяти");
  if (content.size() > static_cast<std::size_t>(INT_MAX)) Fail("Слишком большой файл: " + path);
  xmlCtxtUseOptions(ctxt.get(), kParseOptions);
  RenderGuard::GuardParser(ctxt.get());
  DocPtr doc(xmlCtxtReadMemory(ctxt.get(), content.data(), static_cast<int>(content.size()),
                               path.c_str(), nullptr, kParseOptions));
  FailIfStopped(guard, limits, xml_path);
  if (!findings.forbidden.empty()) Fail("В " + subject.prepositional + " " + findings.forbidden);
  if (!doc || !ctxt->wellFormed) {
    const xmlError* e = &ctxt->lastError;
    const std::string message = Readable(e->message != nullptr ? e->message : "неизвестная ошибка");
    Fail("Ошибка разбора " + subject.genitive + " (строка " + std::to_string(e->line) +
         "): " + message);
  }
  // An external DTD is not loaded, but one named on the network is refused
  // all the same: such a report expects the network.
  if (doc->intSubset != nullptr && doc->intSubset->SystemID != nullptr &&
      !LocalPath(Chars(doc->intSubset->SystemID))) {
    Fail("В " + subject.prepositional + " запрещено обращение к сети" +
         Quoted(Chars(doc->intSubset->SystemID)));
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
    while (i < data.size() && (data[i] == ' ' || data[i] == '\t'))
      ++i;
    if (i >= data.size() || data[i] != '=') continue;
    ++i;
    while (i < data.size() && (data[i] == ' ' || data[i] == '\t'))
      ++i;
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

// Resolves a stylesheet reference against the report's own path: a plain
// path or a file: URL gives a local path, anything else nothing.
std::optional<std::string> ResolveHref(const std::string& href, const std::string& base) {
  const auto path = LocalPath(href);
  if (!path || platform::StartsWith(*path, "/")) return path;
  const auto slash = base.rfind('/');
  return slash == std::string::npos ? *path : base.substr(0, slash + 1) + *path;
}

std::string Serialize(xmlDoc* result, std::string_view kind) {
  if (result->type == XML_HTML_DOCUMENT_NODE || kind == "html") {
    // Declaring the document UTF-8 keeps its text as it is instead of
    // character references.
    if (result->encoding != nullptr) xmlFree(const_cast<xmlChar*>(result->encoding));
    result->encoding = xmlStrdup(XmlChars("UTF-8"));
    htmlSetMetaEncoding(result, XmlChars("UTF-8"));
    xmlOutputBufferPtr buffer = xmlAllocOutputBuffer(xmlFindCharEncodingHandler("UTF-8"));
    if (buffer == nullptr) Fail("Недостаточно памяти");
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
  if (buffer == nullptr) Fail("Недостаточно памяти");
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

// What libxslt would only warn about in a version 1.0 stylesheet, imports
// and includes included; reported before the compile errors it may cause.
void FailIfUndefined(const Findings& findings) {
  if (findings.stylesheet.problem.empty()) return;
  Fail("Ошибка в таблице стилей " + findings.stylesheet.file + ": " + findings.stylesheet.problem);
}

std::string ReadableFile(const std::string& path, const std::string& missing,
                         const std::string& not_regular) {
  LocalRefusal refusal = LocalRefusal::kNone;
  auto content = ReadLocalFile(path, refusal);
  if (!content) Fail(refusal == LocalRefusal::kNotRegular ? not_regular : missing);
  return std::move(*content);
}

// The stylesheet an "#id" href names inside the report, compiled as libxslt
// compiles it, after the same checks as a stylesheet of its own.
xsltStylesheet* EmbeddedStylesheet(xmlDoc* doc, const std::string& href, Findings& findings,
                                   const std::string& xml_path) {
  if (const xmlAttr* id = xmlGetID(doc, XmlChars(href.c_str() + 1));
      id != nullptr && id->parent != nullptr) {
    CheckStylesheet(id->parent, xml_path, findings.stylesheet);
  }
  xsltStylesheet* style = xsltLoadStylesheetPI(doc);
  const std::string where = "встроенной таблице стилей отчета " + xml_path;
  if (!findings.forbidden.empty()) {
    if (style != nullptr) xsltFreeStylesheet(style);
    Fail("Во " + where + " " + findings.forbidden);
  }
  if (!findings.stylesheet.problem.empty() || style == nullptr || style->errors > 0) {
    if (style != nullptr) xsltFreeStylesheet(style);
    FailIfUndefined(findings);
    Fail("Ошибка во " + where + Detail(findings));
  }
  return style;
}

xsltStylesheet* LinkedStylesheet(const std::string& href, const std::string& base,
                                 Findings& findings, const RenderGuard& guard,
                                 const RenderLimits& limits, const std::string& xml_path) {
  const auto style_path = ResolveHref(href, base);
  if (!style_path) Fail("В отчете " + xml_path + " запрещено обращение к сети (" + href + ")");
  const std::string style_content =
      ReadableFile(*style_path, "Не найдена таблица стилей " + *style_path,
                   "Таблица стилей " + *style_path + " не является обычным файлом");
  DocPtr style_doc = ParseXml(*style_path, style_content, findings,
                              {"таблице стилей " + *style_path, "таблицы стилей " + *style_path},
                              guard, limits, xml_path);
  CheckStylesheet(xmlDocGetRootElement(style_doc.get()), *style_path, findings.stylesheet);
  std::unique_ptr<xsltStylesheet, StylesheetFree> style(xsltParseStylesheetDoc(style_doc.get()));
  if (style) (void)style_doc.release();  // the stylesheet owns its document now
  FailIfStopped(guard, limits, xml_path);
  if (!findings.forbidden.empty()) {
    Fail("В таблице стилей " + *style_path + " " + findings.forbidden);
  }
  FailIfUndefined(findings);
  if (!style || style->errors > 0) {
    Fail("Ошибка в таблице стилей " + *style_path + Detail(findings));
  }
  return style.release();
}

Rendered RenderTree(const std::string& xml_path, const RenderLimits& limits) {
  InitializeOnce();
  Findings findings;
  current = &findings;
  struct Reset {
    ~Reset() { current = nullptr; }
  } reset;
  RenderGuard guard(limits.time, limits.memory_bytes);

  const std::string content = ReadableFile(xml_path, "Не удалось прочитать файл " + xml_path,
                                           "Файл " + xml_path + " не является обычным файлом");
  const std::string base = AbsolutePath(xml_path);
  DocPtr doc = ParseXml(base, content, findings, {"отчете " + xml_path, "отчета " + xml_path},
                        guard, limits, xml_path);

  const std::string href = StylesheetHref(doc.get());
  if (href.empty()) {
    Fail("В отчете " + xml_path + " не указана таблица стилей (xml-stylesheet)");
  }
  std::unique_ptr<xsltStylesheet, StylesheetFree> style(
      href.front() == '#' ? EmbeddedStylesheet(doc.get(), href, findings, xml_path)
                          : LinkedStylesheet(href, base, findings, guard, limits, xml_path));
  std::unique_ptr<xsltTransformContext, TransformFree> ctxt(
      xsltNewTransformContext(style.get(), doc.get()));
  if (!ctxt) Fail("Недостаточно памяти");
  xsltSetCtxtSecurityPrefs(xsltGetDefaultSecurityPrefs(), ctxt.get());
  guard.Watch(ctxt.get());
  DocPtr result(
      xsltApplyStylesheetUser(style.get(), doc.get(), nullptr, nullptr, nullptr, ctxt.get()));
  guard.Unwatch();
  FailIfStopped(guard, limits, xml_path);
  if (!findings.forbidden.empty()) {
    Fail("Таблице стилей отчета " + xml_path + " " + findings.forbidden);
  }
  if (!result || ctxt->state == XSLT_STATE_ERROR || ctxt->state == XSLT_STATE_STOPPED) {
    Fail("Ошибка преобразования отчета " + xml_path + Detail(findings));
  }
  if (findings.stylesheet.unescaped_text) ParseUnescapedText(result.get());
  xmlChar* method = nullptr;
  xsltStylesheet* const outermost = style.get();
  XSLT_GET_IMPORT_PTR(method, outermost, method)
  // The result shares the stylesheet's dictionary by reference, so it
  // outlives the stylesheet, the context and the report's own tree.
  return {std::move(result), method != nullptr ? Chars(method) : ""};
}

}  // namespace

std::string RenderReport(const std::string& xml_path, const RenderLimits& limits) {
  Rendered page = RenderTree(xml_path, limits);
  return Serialize(page.tree.get(), page.method);
}

page::Page RenderReportPage(const std::string& xml_path, const RenderLimits& limits) {
  Rendered page = RenderTree(xml_path, limits);
  // A plain-text result becomes a page only by being written out as one.
  if (page.method == "text") return page::ParsePage(Serialize(page.tree.get(), page.method));
  return page::ReadPage(*page.tree);
}

}  // namespace quorlex::automation::browser
