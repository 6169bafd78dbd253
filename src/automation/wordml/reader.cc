#include "automation/wordml/reader.h"

#include "automation/wordml/body_reader.h"
#include "automation/wordml/names.h"
#include "automation/wordml/package_xml.h"
#include "automation/wordml/styles_io.h"
#include "automation/wordml/wordml_error.h"

namespace quorlex::automation::wordml {
namespace {

const std::string kContentTypesPart = "[Content_Types].xml";

bool IsWordMainType(std::string_view type) {
  return type == content_type::kDocument || type == content_type::kTemplate ||
         type == content_type::kMacroDocument || type == content_type::kMacroTemplate;
}

}  // namespace

document::Document ReadDocumentParts(std::vector<PackagePart> parts) {
  auto source = std::make_shared<WordMlSource>();
  source->parts = std::move(parts);
  const PackagePart* types = source->Part(kContentTypesPart);
  const PackagePart* package_rels = source->Part("_rels/.rels");
  if (types == nullptr || package_rels == nullptr) {
    throw ReadError(ReadFailure::kNotWordMl, "не является документом Word (нет описания пакета)");
  }
  for (const Relationship& r : ReadRelationships(package_rels->bytes, "_rels/.rels")) {
    if (r.external) continue;
    if (r.type == relationship::kStrictOfficeDocument) {
      throw ReadError(ReadFailure::kStrict,
                      "сохранен в формате Strict Open XML, который не поддерживается");
    }
    if (r.type == relationship::kOfficeDocument && source->main_part.empty()) {
      source->main_part = ResolveTarget("", r.target);
    }
  }
  const PackagePart* main = source->main_part.empty() ? nullptr : source->Part(source->main_part);
  if (main == nullptr || !IsWordMainType(ContentTypeOf(types->bytes, source->main_part))) {
    throw ReadError(ReadFailure::kNotWordMl, "не является документом Word");
  }

  document::Document document;
  StyleIds styles;
  const std::string rels_name = RelationshipsPartOf(source->main_part);
  if (const PackagePart* rels = source->Part(rels_name)) {
    for (const Relationship& r : ReadRelationships(rels->bytes, rels_name)) {
      if (r.external) continue;
      const std::string target = ResolveTarget(source->main_part, r.target);
      if (r.type == relationship::kStyles && source->styles_part.empty()) {
        source->styles_part = target;
      } else if (r.type == relationship::kFontTable && source->fonts_part.empty()) {
        source->fonts_part = target;
      }
    }
  }
  if (const PackagePart* part = source->Part(source->styles_part)) {
    ReadStyles(part->bytes, document.styles, styles);
  } else {
    styles.ids.assign(1, std::string());
    document.styles.styles.push_back(document::StyleSheet::Style{
        0, 0, document::StyleSheet::Kind::kParagraph, "Normal"});
  }
  if (const PackagePart* part = source->Part(source->fonts_part)) {
    ReadFonts(part->bytes, document.fonts);
    source->font_count = document.fonts.fonts().size();
  }
  // Faces met in the text are added to the table as they are met; the
  // font table part only learns of those the writer adds after it.
  ReadBody(main->bytes, document, *source, styles);
  source->font_count = std::min(source->font_count, document.fonts.fonts().size());
  source->style_ids = std::move(styles.ids);
  document.source = std::move(source);
  return document;
}

}  // namespace quorlex::automation::wordml
