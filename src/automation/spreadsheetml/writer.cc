#include "automation/spreadsheetml/writer.h"

#include <algorithm>
#include <ctime>
#include <map>
#include <regex>
#include <unordered_set>

#include "automation/package/part_name.h"
#include "automation/spreadsheetml/app_properties.h"
#include "automation/spreadsheetml/deflated_parts.h"
#include "automation/spreadsheetml/kept_references.h"
#include "automation/spreadsheetml/names.h"
#include "automation/spreadsheetml/notes_parts.h"
#include "automation/spreadsheetml/sheet_part.h"
#include "automation/spreadsheetml/source.h"
#include "automation/spreadsheetml/strings_part.h"
#include "automation/spreadsheetml/styles_io.h"
#include "automation/spreadsheetml/xml_util.h"
#include "automation/workbook/format_limits.h"
#include "platform/error.h"

namespace quorlex::automation::spreadsheetml {
namespace {

// Deflate's fastest level: a report's markup repeats itself, so it still
// packs to a small fraction of its size, in a fraction of the time.
constexpr int kCompressionLevel = 1;

// "/xl/drawings/drawing1.xml" -> "/xl/drawings/drawing#.xml".
std::string NamePattern(const std::string& part) {
  const std::size_t slash = part.rfind('/');
  std::size_t dot = part.rfind('.');
  if (dot == std::string::npos || dot < slash) dot = part.size();
  std::size_t digits = dot;
  while (digits > slash + 1 && part[digits - 1] >= '0' && part[digits - 1] <= '9')
    --digits;
  return part.substr(0, digits) + "#" + part.substr(dot);
}

// Copies of the parts a sheet copy owns (its drawing, the charts on it,
// printer settings...), made for every copy after the first user of a
// part. Pictures and other media stay shared.
class PartCopier {
 public:
  PartCopier(const package::Package& in, package::Package& out) : in_(in), out_(out) {}

  // `edited` gives a part as the copy's references left it, or nullopt.
  std::string Copy(const std::string& part,
                   const std::function<std::optional<std::string>(const std::string&)>& edited) {
    if (auto it = memo_.find(part); it != memo_.end()) return it->second;
    if (part.find("/media/") != std::string::npos || !in_.Has(part)) return part;
    const std::string name = out_.FreeName(NamePattern(part));
    memo_[part] = name;
    std::optional<std::string> bytes = edited(part);
    out_.Write(name, bytes ? std::move(*bytes) : in_.Read(part), in_.ContentTypeOf(part));
    if (const package::Relationships* rels = in_.FindRelationships(part)) {
      package::Relationships& copy = out_.RelationshipsOf(name);
      for (package::Relationship r : rels->All()) {
        if (!r.external) {
          const std::string target = package::ResolveTarget(part, r.target);
          r.target = package::RelativeTarget(name, Copy(target, edited));
        }
        copy.AddWithId(std::move(r));
      }
    }
    return name;
  }

  void Reset() { memo_.clear(); }

 private:
  const package::Package& in_;
  package::Package& out_;
  std::map<std::string, std::string> memo_;
};

bool IsSheetRelationship(std::string_view type) {
  return type == relationship::kWorksheet || type == relationship::kChartsheet ||
         type.ends_with("/dialogsheet") || type.ends_with("/xlMacrosheet") ||
         type.ends_with("/xlIntlMacrosheet");
}

std::string WorkbookXml(const workbook::Workbook& book, const BookSource& source,
                        const KeptReferences& references,
                        const std::vector<std::string>& sheet_ids) {
  std::string out = kDeclaration;
  out += source.root_start;
  static constexpr std::string_view kOrder[] = {"fileVersion",    "fileSharing",
                                                "workbookPr",     "workbookProtection",
                                                "bookViews",      "sheets",
                                                "functionGroups", "externalReferences",
                                                "definedNames",   "calcPr",
                                                "oleSize",        "customWorkbookViews",
                                                "pivotCaches",    "smartTagPr",
                                                "smartTagTypes",  "webPublishing",
                                                "fileRecoveryPr", "webPublishObjects",
                                                "extLst"};
  for (std::string_view name : kOrder) {
    if (name == "bookViews") {
      bool any = false;
      for (const KeptElement& k : source.children) {
        if (k.name != name) continue;
        any = true;
        std::string xml = k.xml;
        const std::size_t at = xml.find(" activeTab=\"");
        if (at != std::string::npos) xml.erase(at, xml.find('"', at + 12) + 1 - at);
        const std::size_t first = xml.find(" firstSheet=\"");
        if (first != std::string::npos) xml.erase(first, xml.find('"', first + 13) + 1 - first);
        if (book.ActiveSheet() != 0) {
          std::size_t view = xml.find("workbookView");
          while (view != std::string::npos && (view + 12 >= xml.size() || xml[view + 12] != ' '))
            view = xml.find("workbookView", view + 12);
          if (view != std::string::npos)
            xml.insert(view + 12, " activeTab=\"" + std::to_string(book.ActiveSheet()) + "\"");
        }
        out += xml;
      }
      if (!any) {
        out += "<bookViews><workbookView";
        if (book.ActiveSheet() != 0)
          out += " activeTab=\"" + std::to_string(book.ActiveSheet()) + "\"";
        out += "/></bookViews>";
      }
    } else if (name == "sheets") {
      out += "<sheets>";
      for (std::size_t i = 0; i < book.SheetCount(); ++i) {
        if (sheet_ids[i].empty()) continue;
        const workbook::Sheet& sheet = book.SheetAt(i);
        out += "<sheet name=\"";
        AppendEscaped(out, sheet.Name(), true);
        out += "\" sheetId=\"" + std::to_string(i + 1) + '"';
        const std::uint16_t state = sheet.BoundSheetFlags() & 0x03;
        if (state == 1) out += " state=\"hidden\"";
        if (state == 2) out += " state=\"veryHidden\"";
        out +=
            " r:id=\"" + sheet_ids[i] + "\" xmlns:r=\"" + std::string(ns::kRelationships) + "\"/>";
      }
      out += "</sheets>";
    } else if (name == "definedNames") {
      std::string names;
      for (const KeptReferences::Name& n : references.Names()) {
        std::size_t local = 0;
        if (n.local != nullptr) {
          local = book.IndexOf(*n.local);
          if (local >= sheet_ids.size() || sheet_ids[local].empty()) continue;
        }
        names += "<definedName" + n.xml_attributes;
        if (n.local != nullptr) names += " localSheetId=\"" + std::to_string(local) + '"';
        names += '>';
        AppendEscaped(names,
                      n.formula.Print([&](SheetKey sheet) { return references.Qualifier(sheet); }));
        names += "</definedName>";
      }
      if (!names.empty()) out += "<definedNames>" + names + "</definedNames>";
    } else {
      for (const KeptElement& k : source.children) {
        if (k.name == name) out += k.xml;
      }
    }
  }
  out += "</" + QualifiedNameOf(source.root_start) + ">";
  return out;
}

// A new workbook's own core properties: created and last modified now, no
// print date of the template's, revision 1.
std::string FreshCoreProperties(const std::string& xml) {
  const std::time_t now = std::time(nullptr);
  std::tm utc{};
  gmtime_r(&now, &utc);
  char stamp[32];
  std::strftime(stamp, sizeof stamp, "%Y-%m-%dT%H:%M:%SZ", &utc);
  static const std::regex dates(
      R"((<([\w.-]+:)?(created|modified)\b[^>]*>)[^<]*(</([\w.-]+:)?(created|modified)>))");
  static const std::regex printed(
      R"(<([\w.-]+:)?lastPrinted\b[^>]*>[^<]*</([\w.-]+:)?lastPrinted>)");
  static const std::regex revision(
      R"((<([\w.-]+:)?revision\b[^>]*>)[^<]*(</([\w.-]+:)?revision>))");
  std::string out = std::regex_replace(xml, dates, std::string("$01") + stamp + "$04");
  out = std::regex_replace(out, printed, "");
  return std::regex_replace(out, revision, "$011$3");
}

// The workbook's sheets and names as the extended properties list them.
PartTitles Titles(const workbook::Workbook& book, const KeptReferences& references,
                  const std::vector<std::string>& sheet_ids) {
  PartTitles titles;
  for (std::size_t i = 0; i < book.SheetCount(); ++i) {
    const workbook::Sheet& sheet = book.SheetAt(i);
    if (sheet.Kind() == workbook::SheetKind::kChart) titles.template_had_charts = true;
    if (sheet_ids[i].empty()) continue;
    if (sheet.IsWorksheet()) titles.worksheets.push_back(sheet.Name());
    if (sheet.Kind() == workbook::SheetKind::kChart) titles.charts.push_back(sheet.Name());
  }
  for (const KeptReferences::Name& n : references.Names()) {
    if (n.xml_attributes.find(" hidden=\"1\"") != std::string::npos) continue;
    const std::size_t at = n.xml_attributes.find(" name=\"");
    if (at == std::string::npos) continue;
    std::string name =
        Unescape(n.xml_attributes.substr(at + 7, n.xml_attributes.find('"', at + 7) - at - 7));
    if (name.starts_with("_xlnm.")) name.erase(0, 6);
    if (n.local != nullptr) {
      const std::size_t local = book.IndexOf(*n.local);
      if (local >= sheet_ids.size() || sheet_ids[local].empty()) continue;
      name = references.Qualifier(n.local) + "!" + name;
    }
    titles.names.push_back(std::move(name));
  }
  return titles;
}

// The package of a workbook, assembled from the template's package and the
// model: the template's parts copied, less those made anew; each sheet's
// part and the parts it owns; then the workbook's own parts.
class PackageAssembly {
 public:
  PackageAssembly(const workbook::Workbook& book, const BookSource& source,
                  const KeptReferences& references)
      : book_(book),
        source_(source),
        references_(references),
        in_(source.package),
        main_(source.workbook_part),
        copier_(in_, out_) {}

  package::Package Package() && {
    CopyTemplate();
    strings_ = std::make_shared<SharedStrings>(GatherStrings(book_));
    sheet_ids_.assign(book_.SheetCount(), std::string());
    for (std::size_t i = 0; i < book_.SheetCount(); ++i)
      WriteSheet(i);
    WriteBookParts();
    // The sheets' used areas are worked out once, here, not on the threads
    // that read them.
    for (std::size_t i = 0; i < book_.SheetCount(); ++i) {
      workbook::Area used;
      (void)book_.SheetAt(i).Cells().UsedArea(used);
    }
    DeflateAll(deflated_);
    return std::move(out_);
  }

 private:
  void CopyTemplate() {
    for (const std::string& name : in_.PartNames())
      out_.Write(name, in_.Read(name));
    out_.Types() = in_.Types();
    for (const std::string& name : in_.PartNames()) {
      if (const package::Relationships* rels = in_.FindRelationships(name))
        out_.RelationshipsOf(name) = *rels;
    }
    if (const package::Relationships* rels = in_.FindRelationships("/"))
      out_.RelationshipsOf("/") = *rels;

    // What is made anew goes, with the relationships to it.
    package::Relationships& main_rels = out_.RelationshipsOf(main_);
    std::vector<std::string> dropped;
    for (const package::Relationship& r : main_rels.All()) {
      if (r.external) continue;
      const bool made = r.type == relationship::kWorksheet ||
                        r.type == relationship::kSharedStrings ||
                        r.type == relationship::kCalcChain || r.type == relationship::kVbaProject;
      if (IsSheetRelationship(r.type) || made) dropped.push_back(r.id);
      if (!made) continue;
      const std::string target = package::ResolveTarget(main_, r.target);
      if (r.type == relationship::kWorksheet) DropRemadeNotes(target);
      if (r.type == relationship::kVbaProject) {
        if (const package::Relationships* inner = in_.FindRelationships(target)) {
          for (const package::Relationship& d : inner->All()) {
            const std::string t = package::ResolveTarget(target, d.target);
            if (!d.external && out_.Has(t)) out_.Remove(t);
          }
        }
      }
      if (out_.Has(target)) out_.Remove(target);
    }
    for (const std::string& id : dropped)
      main_rels.Remove(id);

    for (const std::string& core : in_.Targets("/", relationship::kCoreProperties)) {
      if (in_.Has(core) && in_.Read(core).size() < (1u << 20))
        out_.Write(core, FreshCoreProperties(in_.Read(core)));
    }
  }

  // Comments, and the VML drawing that only draws them, are made from the
  // model's notes.
  void DropRemadeNotes(const std::string& sheet_part) {
    const package::Relationships* sheet_rels = in_.FindRelationships(sheet_part);
    if (sheet_rels == nullptr) return;
    const SheetSource* sheet_source = nullptr;
    for (std::size_t i = 0; i < book_.SheetCount() && sheet_source == nullptr; ++i) {
      const auto* m = dynamic_cast<const SheetSource*>(book_.SheetAt(i).Markup().get());
      if (m != nullptr && m->part == sheet_part) sheet_source = m;
    }
    for (const package::Relationship& s : sheet_rels->All()) {
      if (s.external || (s.type != relationship::kComments && s.type != relationship::kVmlDrawing))
        continue;
      const std::string owned = package::ResolveTarget(sheet_part, s.target);
      const bool remade = s.type == relationship::kComments ||
                          (sheet_source != nullptr && owned == sheet_source->vml_part);
      if (remade && out_.Has(owned)) out_.Remove(owned);
    }
  }

  // The first sheet of a source writes its drawings and charts, as its
  // edits left them, in place; copies write theirs to copies of the parts.
  void WriteOwnParts(const workbook::Sheet& sheet, const SheetSource& sheet_source) {
    for (const std::string& drawing : in_.Targets(sheet_source.part, relationship::kDrawing)) {
      if (auto text = references_.Part(&sheet, drawing)) out_.Write(drawing, std::move(*text));
      for (const std::string& chart : in_.Targets(drawing, relationship::kChart)) {
        if (auto text = references_.Part(&sheet, chart)) out_.Write(chart, std::move(*text));
      }
    }
    for (const std::string& vml : in_.Targets(sheet_source.part, relationship::kVmlDrawing)) {
      if (auto text = references_.Part(&sheet, vml); text && out_.Has(vml))
        out_.Write(vml, std::move(*text));
    }
    for (const std::string& table : in_.Targets(sheet_source.part, relationship::kTable)) {
      if (references_.Dropped(&sheet, table) && out_.Has(table)) out_.Remove(table);
      if (auto text = references_.Part(&sheet, table)) out_.Write(table, std::move(*text));
    }
  }

  void WriteSheet(std::size_t i) {
    const workbook::Sheet& sheet = book_.SheetAt(i);
    const auto* sheet_source = dynamic_cast<const SheetSource*>(sheet.Markup().get());
    const bool first_use = sheet_source == nullptr || used_sources_.insert(sheet_source).second;
    if (sheet_source != nullptr && !sheet_source->is_worksheet) {
      // Chart and other sheets as they were; a second one cannot be made.
      if (first_use) WriteKeptSheet(i, *sheet_source);
      return;
    }
    SheetPlan plan;
    // Numbered on from the last name given: asking the package for a free
    // name from 1 each time would be quadratic in a workbook of many sheets.
    do {
      plan.part = "/xl/worksheets/sheet" + std::to_string(next_sheet_number_++) + ".xml";
    } while (out_.Has(plan.part));
    plan.selected = i == book_.ActiveSheet();
    plan.children = references_.Children(&sheet);
    out_.Write(plan.part, std::string(), content_type::kWorksheet);
    package::Relationships& rels = out_.RelationshipsOf(plan.part);
    if (sheet_source != nullptr) {
      if (const package::Relationships* in_rels = in_.FindRelationships(sheet_source->part)) {
        if (first_use) WriteOwnParts(sheet, *sheet_source);
        const auto edited = [&](const std::string& part) { return references_.Part(&sheet, part); };
        copier_.Reset();
        for (package::Relationship r : in_rels->All()) {
          if (!r.external) {
            const std::string target = package::ResolveTarget(sheet_source->part, r.target);
            if (r.type == relationship::kComments || references_.Dropped(&sheet, target)) continue;
            if (!sheet_source->vml_part.empty() &&
                package::PartKey(target) == package::PartKey(sheet_source->vml_part)) {
              continue;
            }
            r.target = package::RelativeTarget(plan.part,
                                               first_use ? target : copier_.Copy(target, edited));
          }
          rels.AddWithId(std::move(r));
        }
      }
    }
    for (package::Relationship r : references_.Links(&sheet)) {
      if (!r.external) r.target = package::RelativeTarget(plan.part, r.target);
      rels.AddWithId(std::move(r));
    }
    const std::vector<const workbook::Shape*> notes = NotesOf(sheet);
    if (!notes.empty()) {
      const std::string comments = out_.FreeName("/xl/comments#.xml");
      out_.Write(comments, CommentsXml(notes), content_type::kComments);
      const std::string vml = out_.FreeName("/xl/drawings/vmlDrawing#.vml");
      out_.Write(vml, VmlXml(notes, i + 1), content_type::kVmlDrawing);
      plan.legacy_drawing_id =
          rels.Add(relationship::kVmlDrawing, package::RelativeTarget(plan.part, vml));
      rels.Add(relationship::kComments, package::RelativeTarget(plan.part, comments));
    }
    sheet_ids_[i] = out_.RelationshipsOf(main_).Add(relationship::kWorksheet,
                                                    package::RelativeTarget(main_, plan.part));
    const std::string part = plan.part;
    out_.WriteStreamed(part, content_type::kWorksheet,
                       Deflated(SheetPart(book_, i, std::move(plan), strings_, references_)));
  }

  std::shared_ptr<package::PartProducer> Deflated(std::shared_ptr<package::PartProducer> part) {
    deflated_.push_back(std::make_shared<DeflatedPart>(std::move(part), kCompressionLevel));
    return deflated_.back();
  }

  void WriteKeptSheet(std::size_t i, const SheetSource& sheet_source) {
    WriteOwnParts(book_.SheetAt(i), sheet_source);
    for (const package::Relationship& r : in_.FindRelationships(main_)->All()) {
      if (!r.external && package::PartKey(package::ResolveTarget(main_, r.target)) ==
                             package::PartKey(sheet_source.part)) {
        sheet_ids_[i] = out_.RelationshipsOf(main_).Add(
            r.type, package::RelativeTarget(main_, sheet_source.part));
        return;
      }
    }
  }

  void WriteBookParts() {
    package::Relationships& main_rels = out_.RelationshipsOf(main_);
    const std::string strings_part = source_.shared_strings_part.empty()
                                         ? std::string("/xl/sharedStrings.xml")
                                         : source_.shared_strings_part;
    if (!strings_->entries.empty()) {
      out_.WriteStreamed(strings_part, content_type::kSharedStrings,
                         Deflated(StringsPart(strings_, book_.Formats())));
      main_rels.Add(relationship::kSharedStrings, package::RelativeTarget(main_, strings_part));
    }
    const std::string styles_part =
        source_.styles_part.empty() ? std::string("/xl/styles.xml") : source_.styles_part;
    out_.Write(styles_part, WriteStyles(book_.Formats(), source_.styles), content_type::kStyles);
    if (source_.styles_part.empty())
      main_rels.Add(relationship::kStyles, package::RelativeTarget(main_, styles_part));
    out_.Write(main_, WorkbookXml(book_, source_, references_, sheet_ids_),
               content_type::kWorkbook);
    for (const std::string& app : in_.Targets("/", relationship::kExtendedProperties)) {
      if (in_.Has(app) && in_.Read(app).size() < (1u << 20))
        out_.Write(app, WithPartTitles(in_.Read(app), Titles(book_, references_, sheet_ids_)));
    }
    out_.SetContentType(main_, content_type::kWorkbook);
  }

  const workbook::Workbook& book_;
  const BookSource& source_;
  const KeptReferences& references_;
  const package::Package& in_;
  const std::string& main_;
  package::Package out_;
  PartCopier copier_;
  std::shared_ptr<const SharedStrings> strings_;
  std::vector<std::string> sheet_ids_;
  std::unordered_set<const workbook::SourceMarkup*> used_sources_;
  std::size_t next_sheet_number_ = 1;
  std::vector<std::shared_ptr<DeflatedPart>> deflated_;  // made and deflated before the save
};

}  // namespace

void CheckLimits(const workbook::Workbook& book) {
  workbook::CheckFormatLimits(book, {.rows = kMaxRows,
                                     .columns = kMaxColumns,
                                     .cell_chars = kMaxCellChars,
                                     .rows_text = "1 048 576",
                                     .columns_text = "16 384",
                                     .holder = "книга Excel",
                                     .bounds = "листа Excel"});
}

package::Package WorkbookPackage(const workbook::Workbook& book) {
  const auto* source = dynamic_cast<const BookSource*>(book.Markup().get());
  if (source == nullptr) {
    throw Error(
        errors::kSpreadsheet,
        "Книга не создана из файла Excel 2007 или новее: ее нельзя сохранить в этом формате");
  }
  const auto* references = dynamic_cast<const KeptReferences*>(book.Editor());
  if (references == nullptr) {
    throw Error(errors::kSpreadsheet, "Книга без ссылок своего пакета: ее нельзя сохранить");
  }
  return PackageAssembly(book, *source, *references).Package();
}

void WriteWorkbook(const workbook::Workbook& book, const std::string& path) {
  CheckLimits(book);
  WorkbookPackage(book).Save(path, {.compression_level = kCompressionLevel});
}

}  // namespace quorlex::automation::spreadsheetml
