#include "automation/wordml/writer.h"

#include <libxml/parser.h>
#include <libxml/tree.h>

#include <ctime>
#include <memory>
#include <set>

#include "automation/wordml/body_writer.h"
#include "automation/wordml/names.h"
#include "automation/wordml/package_xml.h"
#include "automation/wordml/styles_io.h"
#include "automation/wordml/wordml_source.h"
#include "platform/error.h"

namespace quorlex::automation::wordml {
namespace {

constexpr std::string_view kVbaProject =
    "http://schemas.microsoft.com/office/2006/relationships/vbaProject";
constexpr std::string_view kCoreNs =
    "http://schemas.openxmlformats.org/package/2006/metadata/core-properties";
constexpr std::string_view kTermsNs = "http://purl.org/dc/terms/";
constexpr std::string_view kExtendedNs =
    "http://schemas.openxmlformats.org/officeDocument/2006/extended-properties";

struct DocDeleter {
  void operator()(xmlDoc* doc) const { xmlFreeDoc(doc); }
};
using DocPtr = std::unique_ptr<xmlDoc, DocDeleter>;

DocPtr Parse(std::string_view bytes) {
  if (bytes.size() > 1 << 26) return nullptr;
  return DocPtr(xmlReadMemory(bytes.data(), static_cast<int>(bytes.size()), nullptr, nullptr,
                              XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING));
}

std::string Dump(xmlDoc* doc) {
  xmlChar* out = nullptr;
  int size = 0;
  xmlDocDumpMemoryEnc(doc, &out, &size, "UTF-8");
  if (out == nullptr) throw std::bad_alloc();
  std::string result(reinterpret_cast<const char*>(out), static_cast<std::size_t>(size));
  xmlFree(out);
  return result;
}

bool InNamespace(const xmlNode* node, std::string_view ns) {
  return node->type == XML_ELEMENT_NODE && node->ns != nullptr &&
         std::string_view(reinterpret_cast<const char*>(node->ns->href)) == ns;
}

std::string Now() {
  const std::time_t now = std::time(nullptr);
  std::tm utc{};
  gmtime_r(&now, &utc);
  char buffer[32];
  std::strftime(buffer, sizeof buffer, "%Y-%m-%dT%H:%M:%SZ", &utc);
  return buffer;
}

// A new document's own dates, and no print date or revision count of the
// template's.
std::string FreshCoreProperties(std::string_view bytes) {
  DocPtr doc = Parse(bytes);
  xmlNode* root = doc ? xmlDocGetRootElement(doc.get()) : nullptr;
  if (root == nullptr) return std::string(bytes);
  const std::string now = Now();
  for (xmlNode* c = root->children; c != nullptr;) {
    xmlNode* next = c->next;
    const std::string_view name =
        c->type == XML_ELEMENT_NODE ? reinterpret_cast<const char*>(c->name) : "";
    if (InNamespace(c, kTermsNs) && (name == "created" || name == "modified")) {
      xmlNodeSetContent(c, reinterpret_cast<const xmlChar*>(now.c_str()));
    } else if (InNamespace(c, kCoreNs) && name == "lastPrinted") {
      xmlUnlinkNode(c);
      xmlFreeNode(c);
    } else if (InNamespace(c, kCoreNs) && name == "revision") {
      xmlNodeSetContent(c, reinterpret_cast<const xmlChar*>("1"));
    }
    c = next;
  }
  return Dump(doc.get());
}

// The template's statistics describe the template, not the document.
std::string WithoutStatistics(std::string_view bytes) {
  DocPtr doc = Parse(bytes);
  xmlNode* root = doc ? xmlDocGetRootElement(doc.get()) : nullptr;
  if (root == nullptr) return std::string(bytes);
  static constexpr std::string_view kStatistics[] = {
      "Pages", "Words", "Characters", "Lines", "Paragraphs", "CharactersWithSpaces", "TotalTime"};
  for (xmlNode* c = root->children; c != nullptr;) {
    xmlNode* next = c->next;
    if (InNamespace(c, kExtendedNs)) {
      const std::string_view name = reinterpret_cast<const char*>(c->name);
      for (std::string_view s : kStatistics) {
        if (name == s) {
          xmlUnlinkNode(c);
          xmlFreeNode(c);
          break;
        }
      }
    }
    c = next;
  }
  return Dump(doc.get());
}

// The main part's relationships without those of its macros.
std::string WithoutRelationships(std::string_view bytes, const std::set<std::string>& ids) {
  DocPtr doc = Parse(bytes);
  xmlNode* root = doc ? xmlDocGetRootElement(doc.get()) : nullptr;
  if (root == nullptr) return std::string(bytes);
  for (xmlNode* c = root->children; c != nullptr;) {
    xmlNode* next = c->next;
    if (c->type == XML_ELEMENT_NODE) {
      xmlChar* id = xmlGetProp(c, reinterpret_cast<const xmlChar*>("Id"));
      if (id != nullptr && ids.contains(reinterpret_cast<const char*>(id))) {
        xmlUnlinkNode(c);
        xmlFreeNode(c);
      }
      xmlFree(id);
    }
    c = next;
  }
  return Dump(doc.get());
}

}  // namespace

void WriteDocumentParts(const document::Document& document,
                        const std::function<void(OutputPart&&)>& emit) {
  const auto* source = dynamic_cast<const WordMlSource*>(document.source.get());
  if (source == nullptr) {
    throw Error(errors::kDocument,
                "Документ не создан из файла Word 2007 или новее: его нельзя сохранить в этом "
                "формате");
  }
  const PackagePart* types = source->Part("[Content_Types].xml");
  const std::string main_type = types ? ContentTypeOf(types->bytes, source->main_part) : "";
  const bool macros = main_type == content_type::kMacroDocument ||
                      main_type == content_type::kMacroTemplate;
  // Macros and what only they use.
  std::set<std::string> dropped;
  std::set<std::string> dropped_ids;
  const std::string main_rels = RelationshipsPartOf(source->main_part);
  if (macros) {
    if (const PackagePart* rels = source->Part(main_rels)) {
      for (const Relationship& r : ReadRelationships(rels->bytes, main_rels)) {
        if (r.type != kVbaProject || r.external) continue;
        dropped_ids.insert(r.id);
        const std::string project = ResolveTarget(source->main_part, r.target);
        dropped.insert(project);
        const std::string project_rels = RelationshipsPartOf(project);
        if (const PackagePart* inner = source->Part(project_rels)) {
          dropped.insert(project_rels);
          for (const Relationship& d : ReadRelationships(inner->bytes, project_rels)) {
            if (!d.external) dropped.insert(ResolveTarget(project, d.target));
          }
        }
      }
    }
  }
  for (const PackagePart& part : source->parts) {
    if (dropped.contains(part.name)) continue;
    OutputPart out;
    out.name = part.name;
    if (part.name == source->main_part) {
      out.stream = [&](const OutputPart::PieceSink& sink) { WriteBody(document, *source, sink); };
    } else if (part.name == "[Content_Types].xml") {
      out.bytes =
          WithContentType(part.bytes, source->main_part, content_type::kDocument, dropped);
    } else if (part.name == source->fonts_part &&
               document.fonts.fonts().size() > source->font_count) {
      out.bytes = AddFonts(part.bytes, document.fonts, source->font_count);
    } else if (part.name == "docProps/core.xml") {
      out.bytes = FreshCoreProperties(part.bytes);
    } else if (part.name == "docProps/app.xml") {
      out.bytes = WithoutStatistics(part.bytes);
    } else if (part.name == main_rels && !dropped_ids.empty()) {
      out.bytes = WithoutRelationships(part.bytes, dropped_ids);
    } else {
      out.bytes = part.bytes;
    }
    emit(std::move(out));
  }
}

}  // namespace quorlex::automation::wordml
