#include "automation/wordml/writer.h"

#include <libxml/parser.h>
#include <libxml/tree.h>

#include <algorithm>
#include <ctime>
#include <memory>
#include <optional>
#include <thread>

#include "automation/package/part_name.h"
#include "automation/wordml/body_writer.h"
#include "automation/wordml/names.h"
#include "automation/wordml/parallel_deflate.h"
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

// The main part, made from the model and deflated on every core before the
// package asks for it: deflating is most of the time a large document
// takes to save, and the package would do it on one thread. What is kept
// is the deflated part, a small fraction of the markup.
class BodyProducer : public package::PartProducer {
 public:
  BodyProducer(std::shared_ptr<const document::Document> document, int level)
      : document_(std::move(document)), level_(level) {}

  std::optional<Deflated> AlreadyDeflated() override {
    if (!result_) {
      const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
      ParallelDeflate deflate(level_, std::clamp(cores - 1, 1u, 3u));
      const auto& source = dynamic_cast<const WordMlSource&>(*document_->source);
      WriteBody(*document_, source, [&](std::string_view piece) { deflate.Add(piece); });
      result_ = deflate.Finish();
    }
    return Deflated{result_->crc32, result_->size, result_->compressed_size};
  }

  void Start() override {
    AlreadyDeflated();
    next_ = 0;
  }

  bool Next(std::string& out) override {
    if (next_ >= result_->pieces.size()) return false;
    out += result_->pieces[next_++];
    return true;
  }

 private:
  std::shared_ptr<const document::Document> document_;
  int level_;
  std::optional<ParallelDeflate::Result> result_;
  std::size_t next_ = 0;
};

// Deflate's fastest level: a report's markup repeats itself, so it still
// packs to a small fraction of its size, in a fraction of the time.
constexpr int kCompressionLevel = 1;

}  // namespace

package::Package DocumentPackage(const document::Document& document) {
  const auto* source = dynamic_cast<const WordMlSource*>(document.source.get());
  if (source == nullptr) {
    throw Error(errors::kDocument,
                "Документ не создан из файла Word 2007 или новее: его нельзя сохранить в этом "
                "формате");
  }
  const package::Package& in = source->package;
  package::Package out;
  for (const std::string& name : in.PartNames())
    out.Write(name, in.Read(name));
  out.Types() = in.Types();
  for (const std::string& name : in.PartNames()) {
    if (const package::Relationships* rels = in.FindRelationships(name)) {
      out.RelationshipsOf(name) = *rels;
    }
  }
  if (const package::Relationships* rels = in.FindRelationships("/"))
    out.RelationshipsOf("/") = *rels;

  const std::string& main = source->main_part;
  const std::string main_type = in.ContentTypeOf(main);
  if (main_type == content_type::kMacroDocument || main_type == content_type::kMacroTemplate) {
    // Macros, and what only they use.
    package::Relationships& rels = out.RelationshipsOf(main);
    std::vector<std::string> ids;
    for (const package::Relationship& r : rels.All()) {
      if (r.type != kVbaProject || r.external) continue;
      ids.push_back(r.id);
      const std::string project = package::ResolveTarget(main, r.target);
      if (const package::Relationships* inner = in.FindRelationships(project)) {
        for (const package::Relationship& d : inner->All()) {
          const std::string target = package::ResolveTarget(project, d.target);
          if (!d.external && out.Has(target)) out.Remove(target);
        }
      }
      if (out.Has(project)) out.Remove(project);
    }
    for (const std::string& id : ids)
      rels.Remove(id);
  }
  out.SetContentType(main, content_type::kDocument);
  if (!source->fonts_part.empty() && document.fonts.fonts().size() > source->font_count) {
    out.Write(source->fonts_part,
              AddFonts(in.Read(source->fonts_part), document.fonts, source->font_count));
  }
  for (const std::string& core : in.Targets("/", relationship::kCoreProperties)) {
    if (in.Has(core)) out.Write(core, FreshCoreProperties(in.Read(core)));
  }
  for (const std::string& app : in.Targets("/", relationship::kExtendedProperties)) {
    if (in.Has(app)) out.Write(app, WithoutStatistics(in.Read(app)));
  }
  // The document outlives the save: the producer holds it without owning it.
  std::shared_ptr<const document::Document> view(&document, [](const document::Document*) {});
  out.WriteStreamed(main, content_type::kDocument,
                    std::make_shared<BodyProducer>(view, kCompressionLevel));
  return out;
}

void WriteDocument(const document::Document& document, const std::string& path) {
  DocumentPackage(document).Save(path, {.compression_level = kCompressionLevel});
}

}  // namespace quorlex::automation::wordml
