#include "automation/wordml/reader.h"

#include "automation/wordml/body_reader.h"
#include "automation/wordml/names.h"
#include "automation/wordml/styles_io.h"
#include "automation/wordml/wordml_error.h"
#include "automation/wordml/wordml_source.h"

namespace quorlex::automation::wordml {
namespace {

bool IsWordMainType(std::string_view type) {
  return type == content_type::kDocument || type == content_type::kTemplate ||
         type == content_type::kMacroDocument || type == content_type::kMacroTemplate;
}

// The part the main part names by a relationship of the type, if present.
std::string Related(const package::Package& package, const std::string& main,
                    std::string_view type) {
  for (const std::string& target : package.Targets(main, type)) {
    if (package.Has(target)) return target;
  }
  return {};
}

}  // namespace

document::Document ReadDocument(package::Package package) {
  auto source = std::make_shared<WordMlSource>();
  source->package = std::move(package);
  const package::Package& pkg = source->package;
  if (const package::Relationships* rels = pkg.FindRelationships("/")) {
    if (rels->FirstOfType(relationship::kStrictOfficeDocument) != nullptr) {
      throw ReadError(ReadFailure::kStrict,
                      "сохранен в формате Strict Open XML, который не поддерживается");
    }
  }
  const std::vector<std::string> mains = pkg.Targets("/", relationship::kOfficeDocument);
  if (!mains.empty()) source->main_part = mains.front();
  if (source->main_part.empty() || !pkg.Has(source->main_part) ||
      !IsWordMainType(pkg.ContentTypeOf(source->main_part))) {
    throw ReadError(ReadFailure::kNotWordMl, "не является документом Word");
  }

  document::Document document;
  StyleIds styles;
  source->styles_part = Related(pkg, source->main_part, relationship::kStyles);
  source->fonts_part = Related(pkg, source->main_part, relationship::kFontTable);
  if (!source->styles_part.empty()) {
    ReadStyles(pkg.Read(source->styles_part), document.styles, styles);
  } else {
    styles.ids.assign(1, std::string());
    document.styles.styles.push_back(
        document::StyleSheet::Style{0, 0, document::StyleSheet::Kind::kParagraph, "Normal"});
  }
  if (!source->fonts_part.empty()) {
    ReadFonts(pkg.Read(source->fonts_part), document.fonts);
    source->font_count = document.fonts.fonts().size();
  }
  // Faces met in the text are added to the engine's table as they are
  // met; the writer adds them to the font table part too.
  ReadBody(pkg.Read(source->main_part), document, *source, styles);
  source->style_ids = std::move(styles.ids);
  document.source = std::move(source);
  return document;
}

document::Document ReadDocumentFile(const std::string& path) {
  return ReadDocument(package::Package::Open(path));
}

}  // namespace quorlex::automation::wordml
