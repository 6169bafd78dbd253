#include "automation/browser/stylesheet_check.h"

#include <algorithm>
#include <array>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace quorlex::automation::browser {
namespace {

constexpr std::string_view kXsltNamespace = "http://www.w3.org/1999/XSL/Transform";

std::string_view View(const xmlChar* s) {
  return s != nullptr ? std::string_view(reinterpret_cast<const char*>(s)) : std::string_view();
}

bool InXslt(const xmlNs* ns) { return ns != nullptr && View(ns->href) == kXsltNamespace; }

// The attributes XSLT 1.0 defines for each of its elements.
const std::unordered_map<std::string_view, std::vector<std::string_view>>& DefinedAttributes() {
  static const std::unordered_map<std::string_view, std::vector<std::string_view>> defined = {
      {"stylesheet", {"id", "extension-element-prefixes", "exclude-result-prefixes", "version"}},
      {"transform", {"id", "extension-element-prefixes", "exclude-result-prefixes", "version"}},
      {"import", {"href"}},
      {"include", {"href"}},
      {"strip-space", {"elements"}},
      {"preserve-space", {"elements"}},
      {"output",
       {"method", "version", "encoding", "omit-xml-declaration", "standalone", "doctype-public",
        "doctype-system", "cdata-section-elements", "indent", "media-type"}},
      {"key", {"name", "match", "use"}},
      {"decimal-format",
       {"name", "decimal-separator", "grouping-separator", "infinity", "minus-sign", "NaN",
        "percent", "per-mille", "zero-digit", "digit", "pattern-separator"}},
      {"namespace-alias", {"stylesheet-prefix", "result-prefix"}},
      {"attribute-set", {"name", "use-attribute-sets"}},
      {"variable", {"name", "select"}},
      {"param", {"name", "select"}},
      {"template", {"match", "name", "priority", "mode"}},
      {"apply-templates", {"select", "mode"}},
      {"apply-imports", {}},
      {"call-template", {"name"}},
      {"with-param", {"name", "select"}},
      {"element", {"name", "namespace", "use-attribute-sets"}},
      {"attribute", {"name", "namespace"}},
      {"text", {"disable-output-escaping"}},
      {"processing-instruction", {"name"}},
      {"comment", {}},
      {"copy", {"use-attribute-sets"}},
      {"copy-of", {"select"}},
      {"value-of", {"select", "disable-output-escaping"}},
      {"number",
       {"level", "count", "from", "value", "format", "lang", "letter-value", "grouping-separator",
        "grouping-size"}},
      {"for-each", {"select"}},
      {"if", {"test"}},
      {"choose", {}},
      {"when", {"test"}},
      {"otherwise", {}},
      {"sort", {"select", "lang", "data-type", "order", "case-order"}},
      {"message", {"terminate"}},
      {"fallback", {}},
  };
  return defined;
}

// Attributes in the XSLT namespace that a literal result element may carry.
constexpr std::array<std::string_view, 4> kLiteralResultAttributes = {
    "version", "extension-element-prefixes", "exclude-result-prefixes", "use-attribute-sets"};

std::string QualifiedName(const xmlNode* element) {
  std::string name;
  if (element->ns != nullptr && element->ns->prefix != nullptr) {
    name = std::string(View(element->ns->prefix)) + ":";
  }
  return name + std::string(View(element->name));
}

std::string AttributeName(const xmlAttr* attribute) {
  std::string name;
  if (attribute->ns != nullptr && attribute->ns->prefix != nullptr) {
    name = std::string(View(attribute->ns->prefix)) + ":";
  }
  return name + std::string(View(attribute->name));
}

std::string Where(const xmlNode* node) {
  const long line = xmlGetLineNo(node);
  return line > 0 ? " (строка " + std::to_string(line) + ")" : std::string();
}

bool IsYes(const xmlAttr* attribute) {
  return attribute->children != nullptr && attribute->children->type == XML_TEXT_NODE &&
         View(attribute->children->content) == "yes";
}

std::string_view Value(const xmlAttr* attribute) {
  if (attribute->children == nullptr || attribute->children->type != XML_TEXT_NODE) return {};
  return View(attribute->children->content);
}

class Checker {
 public:
  Checker(const std::string& file, StylesheetFindings& findings)
      : file_(file), findings_(findings) {}

  // Elements of other namespaces (literal results, extension elements, data
  // at the top level) are checked only for attributes in the XSLT namespace.
  void Element(const xmlNode* element, bool forwards_compatible) {
    if (InXslt(element->ns)) {
      XsltElement(element, forwards_compatible);
    } else {
      forwards_compatible = LiteralResultElement(element, forwards_compatible);
    }
    for (const xmlNode* child = element->children; child != nullptr; child = child->next) {
      if (child->type == XML_ELEMENT_NODE) Element(child, forwards_compatible);
    }
  }

 private:
  static std::string_view Attribute(const xmlNode* element, std::string_view ns,
                                    std::string_view name) {
    for (const xmlAttr* a = element->properties; a != nullptr; a = a->next) {
      const bool ns_matches =
          ns.empty() ? a->ns == nullptr : (a->ns != nullptr && View(a->ns->href) == ns);
      if (ns_matches && View(a->name) == name) return Value(a);
    }
    return {};
  }

  void Report(std::string problem) {
    if (!findings_.problem.empty()) return;
    findings_.problem = std::move(problem);
    findings_.file = file_;
  }

  void XsltElement(const xmlNode* element, bool& forwards_compatible) {
    const std::string_view name = View(element->name);
    const auto& defined = DefinedAttributes();
    const auto known = defined.find(name);
    if (name == "stylesheet" || name == "transform") {
      forwards_compatible = Attribute(element, {}, "version") != "1.0";
    }
    for (const xmlAttr* a = element->properties; a != nullptr; a = a->next) {
      if (View(a->name) == "disable-output-escaping" && a->ns == nullptr && IsYes(a)) {
        findings_.unescaped_text = true;
      }
      if (forwards_compatible || known == defined.end()) continue;
      const bool allowed = a->ns == nullptr
                               ? std::find(known->second.begin(), known->second.end(),
                                           View(a->name)) != known->second.end()
                               : !InXslt(a->ns);  // attributes of other namespaces are free
      if (!allowed) {
        Report("неизвестный атрибут " + AttributeName(a) + " элемента " + QualifiedName(element) +
               Where(element));
      }
    }
    if (!forwards_compatible && known == defined.end()) {
      Report("неизвестный элемент " + QualifiedName(element) + Where(element));
    }
  }

  bool LiteralResultElement(const xmlNode* element, bool forwards_compatible) {
    for (const xmlAttr* a = element->properties; a != nullptr; a = a->next) {
      if (!InXslt(a->ns)) continue;
      if (View(a->name) == "version") forwards_compatible = Value(a) != "1.0";
    }
    if (forwards_compatible) return true;
    for (const xmlAttr* a = element->properties; a != nullptr; a = a->next) {
      if (!InXslt(a->ns)) continue;
      if (std::find(kLiteralResultAttributes.begin(), kLiteralResultAttributes.end(),
                    View(a->name)) == kLiteralResultAttributes.end()) {
        Report("неизвестный атрибут " + AttributeName(a) + " элемента " + QualifiedName(element) +
               Where(element));
      }
    }
    return false;
  }

  const std::string& file_;
  StylesheetFindings& findings_;
};

}  // namespace

void CheckStylesheet(const xmlNode* root, const std::string& file, StylesheetFindings& findings) {
  if (root == nullptr || root->type != XML_ELEMENT_NODE) return;
  Checker checker(file, findings);
  checker.Element(root, false);
}

}  // namespace quorlex::automation::browser
