#include "automation/browser/unescaped_text.h"

#include <libxml/HTMLparser.h>
#include <libxml/HTMLtree.h>
#include <libxml/parserInternals.h>

#include <memory>
#include <string>
#include <vector>

namespace quorlex::automation::browser {
namespace {

struct DocFree {
  void operator()(xmlDoc* d) const { xmlFreeDoc(d); }
};
struct OutputBufferClose {
  void operator()(xmlOutputBuffer* b) const { xmlOutputBufferClose(b); }
};

bool IsUnescaped(const xmlNode* node) {
  return node->type == XML_TEXT_NODE && node->name == xmlStringTextNoenc;
}

const xmlChar* Name(const char* name) { return reinterpret_cast<const xmlChar*>(name); }

bool IsRawTextElement(const xmlNode* element) {
  return element->name != nullptr && (xmlStrcasecmp(element->name, Name("script")) == 0 ||
                                      xmlStrcasecmp(element->name, Name("style")) == 0);
}

// Every element with an unescaped text child, each after the elements inside
// it, so that reparsing one never frees an element still to come.
void Collect(xmlNode* node, std::vector<xmlNode*>& found) {
  bool holds_unescaped = false;
  for (xmlNode* child = node->children; child != nullptr; child = child->next) {
    if (child->type == XML_ELEMENT_NODE) Collect(child, found);
    holds_unescaped = holds_unescaped || IsUnescaped(child);
  }
  if (holds_unescaped && node->type == XML_ELEMENT_NODE) found.push_back(node);
}

// The element's content as the HTML the written page holds.
std::string WrittenContent(xmlDoc* doc, xmlNode* element) {
  std::unique_ptr<xmlOutputBuffer, OutputBufferClose> buffer(xmlAllocOutputBuffer(nullptr));
  if (!buffer) return {};
  for (xmlNode* child = element->children; child != nullptr; child = child->next) {
    htmlNodeDumpFormatOutput(buffer.get(), doc, child, nullptr, 0);
  }
  xmlOutputBufferFlush(buffer.get());
  const xmlChar* content = xmlOutputBufferGetContent(buffer.get());
  return std::string(content != nullptr ? reinterpret_cast<const char*>(content) : "",
                     xmlOutputBufferGetSize(buffer.get()));
}

void Reparse(xmlDoc* doc, xmlNode* element) {
  if (IsRawTextElement(element)) {
    for (xmlNode* child = element->children; child != nullptr; child = child->next) {
      if (IsUnescaped(child)) child->name = xmlStringText;
    }
    return;
  }
  const std::string html = "<html><body>" + WrittenContent(doc, element) + "</body></html>";
  const std::unique_ptr<xmlDoc, DocFree> parsed(
      htmlReadMemory(html.data(), static_cast<int>(html.size()), nullptr, "UTF-8",
                     HTML_PARSE_NOERROR | HTML_PARSE_NOWARNING | HTML_PARSE_NONET));
  if (!parsed) return;
  xmlNode* body = nullptr;
  if (xmlNode* root = xmlDocGetRootElement(parsed.get())) {
    for (xmlNode* n = root->children; n != nullptr && body == nullptr; n = n->next) {
      if (n->type == XML_ELEMENT_NODE && xmlStrEqual(n->name, Name("body"))) body = n;
    }
  }
  // Copies take their names from the result's own dictionary.
  xmlNode* copies = body != nullptr ? xmlDocCopyNodeList(doc, body->children) : nullptr;
  while (element->children != nullptr) {
    xmlNode* old = element->children;
    xmlUnlinkNode(old);
    xmlFreeNode(old);
  }
  if (copies != nullptr) xmlAddChildList(element, copies);
}

}  // namespace

void ParseUnescapedText(xmlDoc* result) {
  if (result == nullptr) return;
  std::vector<xmlNode*> elements;
  Collect(reinterpret_cast<xmlNode*>(result), elements);
  for (xmlNode* element : elements)
    Reparse(result, element);
}

}  // namespace quorlex::automation::browser
