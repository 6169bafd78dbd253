#include "automation/page/html_reader.h"

#include <libxml/HTMLparser.h>
#include <libxml/parserInternals.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstring>
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
    const char32_t c = platform::DecodeNext(input, i);
    platform::AppendUtf8(out, c == 0 ? U'\uFFFD' : c);
  }
  return out;
}

// True when the input needs no repair: valid UTF-8 and no NUL byte. ASCII
// runs, most of a page, are checked eight bytes at a time.
bool IsCleanUtf8(std::string_view s) {
  std::size_t i = 0;
  while (i < s.size()) {
    if (i + 8 <= s.size()) {
      std::uint64_t word;
      std::memcpy(&word, s.data() + i, 8);
      const bool ascii = (word & 0x8080808080808080ull) == 0;
      const bool has_zero = ((word - 0x0101010101010101ull) & ~word & 0x8080808080808080ull) != 0;
      if (ascii && !has_zero) {
        i += 8;
        continue;
      }
    }
    const auto byte = static_cast<unsigned char>(s[i]);
    if (byte == 0) return false;
    if (byte < 0x80) {
      ++i;
      continue;
    }
    const std::size_t start = i;
    if (platform::DecodeNext(s, i) == 0xFFFD && !s.substr(start).starts_with("\xEF\xBF\xBD"))
      return false;
  }
  return true;
}

}  // namespace

void ReadHtml(std::string_view utf8, HtmlHandler& handler) {
  std::string sanitized;
  if (!IsCleanUtf8(utf8)) {
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

  const int options = HTML_PARSE_NONET | HTML_PARSE_NOERROR | HTML_PARSE_NOWARNING |
                      HTML_PARSE_RECOVER | HTML_PARSE_IGNORE_ENC;
  // With a SAX handler that builds nothing the parser returns no document.
  xmlDocPtr doc = htmlCtxtReadMemory(ctxt.get(), utf8.data(), static_cast<int>(utf8.size()),
                                     nullptr, "UTF-8", options);
  if (doc != nullptr) xmlFreeDoc(doc);
  if (session.failure) std::rethrow_exception(session.failure);
}

}  // namespace quorlex::automation::page

namespace quorlex::automation::page {
namespace {

// Element and attribute names as the HTML parser gives them: lower case.
std::string_view LowerName(const xmlChar* name, std::string& buffer) {
  const std::string_view view = View(name);
  if (std::none_of(view.begin(), view.end(), [](char c) { return c >= 'A' && c <= 'Z'; }))
    return view;
  buffer.assign(view);
  for (char& c : buffer) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return buffer;
}

class TreeWalker {
 public:
  explicit TreeWalker(HtmlHandler& handler) : handler_(handler) {}

  // Depth first without recursion: a page's nesting may be deep.
  void Walk(const xmlNode* first) {
    const xmlNode* node = first;
    while (node != nullptr) {
      if (node->type == XML_ELEMENT_NODE) {
        Start(*node);
        if (node->children != nullptr) {
          node = node->children;
          continue;
        }
        End(*node);
      } else if (node->type == XML_TEXT_NODE || node->type == XML_CDATA_SECTION_NODE) {
        if (node->content != nullptr) handler_.Text(View(node->content));
      }
      while (node != nullptr && node->next == nullptr) {
        node = node->parent;
        if (node == nullptr || node->type != XML_ELEMENT_NODE) return;
        End(*node);
      }
      if (node != nullptr) node = node->next;
    }
  }

 private:
  void Start(const xmlNode& element) {
    attributes_.clear();
    values_.clear();
    names_.clear();
    for (const xmlAttr* a = element.properties; a != nullptr; a = a->next) {
      std::string value;
      for (const xmlNode* t = a->children; t != nullptr; t = t->next) {
        if (t->content != nullptr) value += View(t->content);
      }
      values_.push_back(std::move(value));
      std::string lowered;
      names_.push_back(std::string(LowerName(a->name, lowered)));
    }
    for (std::size_t i = 0; i < values_.size(); ++i)
      attributes_.push_back({names_[i], values_[i]});
    handler_.StartElement(LowerName(element.name, name_), attributes_);
  }

  void End(const xmlNode& element) { handler_.EndElement(LowerName(element.name, name_)); }

  HtmlHandler& handler_;
  std::vector<HtmlAttribute> attributes_;
  std::vector<std::string> names_;
  std::vector<std::string> values_;
  std::string name_;
};

}  // namespace

void ReadHtmlTree(const _xmlDoc& document, HtmlHandler& handler) {
  TreeWalker(handler).Walk(document.children);
}

}  // namespace quorlex::automation::page
