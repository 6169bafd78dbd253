#include "automation/spreadsheetml/reader.h"

#include <cmath>
#include <cstring>
#include <unordered_map>

#include "automation/package/part_name.h"
#include "automation/package/xml_reader.h"
#include "automation/spreadsheetml/kept_references.h"
#include "automation/spreadsheetml/names.h"
#include "automation/spreadsheetml/source.h"
#include "automation/spreadsheetml/styles_io.h"
#include "automation/spreadsheetml/xml_util.h"
#include "platform/error.h"
#include "platform/text.h"

namespace quorlex::automation::spreadsheetml {
namespace {

using package::XmlReader;

constexpr std::uint16_t kDefaultRowHeightRecord = 0x0225;

struct SharedString {
  std::string text;
  std::string runs;  // BIFF runs: UTF-16 position and font index, 2 bytes each
};

[[noreturn]] void Refuse(const std::string& name, const std::string& predicate) {
  throw Error(errors::kFormat, "Файл " + name + " " + predicate);
}

std::size_t Utf16Units(std::string_view utf8) {
  std::size_t n = 0;
  for (char ch : utf8) {
    const auto c = static_cast<unsigned char>(ch);
    if ((c & 0xC0) != 0x80) n += c >= 0xF0 ? 2 : 1;
  }
  return n;
}

void AppendRun(std::string& runs, std::size_t position, std::uint16_t font) {
  const auto pos = static_cast<std::uint16_t>(std::min<std::size_t>(position, 0xFFFF));
  runs += static_cast<char>(pos & 0xFF);
  runs += static_cast<char>(pos >> 8);
  runs += static_cast<char>(font & 0xFF);
  runs += static_cast<char>(font >> 8);
}

// The text of an <si> or <is>, with its runs: phonetic runs left out.
SharedString ReadRichText(XmlReader& r, const ThemeColors& theme, workbook::Styles& styles) {
  SharedString s;
  bool any_font = false;
  ForEachChild(r, [&](XmlReader& c) {
    if (c.LocalName() == "t") {
      s.text += Unescape(c.ReadText());
    } else if (c.LocalName() == "r") {
      std::optional<std::uint16_t> font;
      std::string text;
      ForEachChild(c, [&](XmlReader& e) {
        if (e.LocalName() == "rPr")
          font = styles.InternFont(ReadFont(e, theme, styles));
        else if (e.LocalName() == "t")
          text += Unescape(e.ReadText());
      });
      if (font || any_font) AppendRun(s.runs, Utf16Units(s.text), font.value_or(0));
      any_font |= font.has_value();
      s.text += text;
    }
  });
  return s;
}

class SheetReader {
 public:
  SheetReader(workbook::Workbook& book, workbook::Sheet& sheet, SheetSource& source,
              const std::vector<SharedString>& strings, const ThemeColors& theme,
              const std::string& name)
      : book_(book),
        sheet_(sheet),
        source_(source),
        strings_(strings),
        theme_(theme),
        name_(name) {}

  void Read(std::string_view xml) {
    XmlReader r(xml, source_.part);
    while (r.Next() && !r.IsStart()) {
    }
    if (!r.IsStart()) r.Fail("нет корневого элемента");
    source_.root_start = StartTag(r);
    ForEachChild(r, [&](XmlReader& c) {
      const std::string name(c.LocalName());
      if (name == "dimension") {
        c.Skip();
      } else if (name == "cols") {
        ReadColumns(c);
      } else if (name == "sheetData") {
        ReadCells(c);
      } else if (name == "mergeCells") {
        ReadMerges(c);
      } else if (name == "legacyDrawing" && !source_.comments_part.empty()) {
        c.Skip();  // made anew with the comments
      } else {
        if (name == "sheetFormatPr") ReadFormat(c);
        source_.children.push_back({name, TakeElement(c, source_.root_start)});
      }
    });
  }

 private:
  [[noreturn]] void Damaged(const std::string& what) const {
    Refuse(name_, "поврежден: " + source_.part + ": " + what);
  }

  void ReadFormat(const XmlReader& r) {
    const double height = ParseNumber(r.Attribute("defaultRowHeight").value_or("15")).value_or(15);
    const auto twips = static_cast<std::uint16_t>(std::clamp(std::lround(height * 20), 1L, 8191L));
    const std::uint16_t flags = Flag(r.Attribute("customHeight")) ? 1 : 0;
    sheet_.Items().push_back(
        {workbook::Slot::kNone, workbook::Record{kDefaultRowHeightRecord,
                                                 {static_cast<std::uint8_t>(flags), 0,
                                                  static_cast<std::uint8_t>(twips & 0xFF),
                                                  static_cast<std::uint8_t>(twips >> 8)}}});
    const auto base = ParseInteger(r.Attribute("baseColWidth").value_or("8")).value_or(8);
    sheet_.SetDefaultColumnWidth(static_cast<std::uint16_t>(std::clamp(base, 0LL, 255LL)));
    sheet_.SetHasDefaultColumnWidth(true);
    default_height_ = twips;
  }

  void ReadColumns(XmlReader& r) {
    ForEachChild(r, [&](XmlReader& c) {
      if (c.LocalName() != "col") return;
      const auto min = ParseInteger(c.Attribute("min").value_or("0")).value_or(0);
      const auto max = ParseInteger(c.Attribute("max").value_or("0")).value_or(0);
      if (min < 1 || max < min || max > kMaxColumns)
        Damaged("столбцы " + std::to_string(min) + ":" + std::to_string(max));
      workbook::ColumnInfo info;
      info.first = static_cast<std::uint16_t>(min - 1);
      info.last = static_cast<std::uint16_t>(max - 1);
      const double width = ParseNumber(c.Attribute("width").value_or("0")).value_or(0);
      info.width = static_cast<std::uint16_t>(std::clamp(std::lround(width * 256), 0L, 65535L));
      const auto style = ParseInteger(c.Attribute("style").value_or("0")).value_or(0);
      info.xf = static_cast<std::uint16_t>(kFirstCellXf + std::clamp(style, 0LL, 4000LL));
      if (info.xf >= book_.Formats().XfCount()) info.xf = workbook::kDefaultXf;
      std::uint16_t flags = 0;
      if (Flag(c.Attribute("hidden"))) flags |= 0x0001;
      if (Flag(c.Attribute("customWidth"))) flags |= 0x0002;
      if (Flag(c.Attribute("bestFit"))) flags |= 0x0004;
      const auto level = ParseInteger(c.Attribute("outlineLevel").value_or("0")).value_or(0);
      flags = static_cast<std::uint16_t>(flags | ((std::clamp(level, 0LL, 7LL) & 7) << 8));
      if (Flag(c.Attribute("collapsed"))) flags |= 0x1000;
      info.flags = flags;
      sheet_.Columns().push_back(info);
    });
  }

  std::uint16_t CellXf(const std::optional<std::string>& s) const {
    if (!s) return workbook::kDefaultXf;
    const auto v = ParseInteger(*s);
    if (!v || *v < 0 || *v + kFirstCellXf >= static_cast<long long>(book_.Formats().XfCount())) {
      return workbook::kDefaultXf;
    }
    return static_cast<std::uint16_t>(kFirstCellXf + *v);
  }

  void ReadCells(XmlReader& r) {
    std::uint32_t next_row = 0;
    ForEachChild(r, [&](XmlReader& row) {
      if (row.LocalName() != "row") return;
      std::uint32_t index = next_row;
      if (auto at = row.Attribute("r")) {
        const auto n = ParseInteger(*at);
        if (!n || *n < 1 || *n > kMaxRows) Damaged("строка " + *at);
        index = static_cast<std::uint32_t>(*n - 1);
      }
      if (index >= kMaxRows) Damaged("больше 1 048 576 строк");
      next_row = index + 1;
      ReadRowProperties(row, index);
      std::uint32_t next_col = 0;
      ForEachChild(row, [&](XmlReader& c) {
        if (c.LocalName() != "c") return;
        std::uint32_t cell_row = index;
        std::uint16_t col = static_cast<std::uint16_t>(next_col);
        if (auto at = c.Attribute("r")) {
          if (!ParseCellName(*at, cell_row, col)) Damaged("ячейка " + *at);
          if (cell_row != index) Damaged("ячейка " + *at + " вне своей строки");
        }
        if (col >= kMaxColumns) Damaged("больше 16 384 столбцов");
        next_col = col + 1u;
        ReadCell(c, index, col);
      });
    });
  }

  void ReadRowProperties(const XmlReader& row, std::uint32_t index) {
    const auto ht = row.Attribute("ht");
    const auto s = row.Attribute("s");
    const bool custom_format = Flag(row.Attribute("customFormat"));
    const bool hidden = Flag(row.Attribute("hidden"));
    const auto level = ParseInteger(row.Attribute("outlineLevel").value_or("0")).value_or(0);
    const bool collapsed = Flag(row.Attribute("collapsed"));
    if (!ht && !(s && custom_format) && !hidden && level == 0 && !collapsed) return;
    workbook::RowInfo& info = sheet_.Cells().MutableRowInfo(index);
    info.own = true;
    if (ht) {
      const double pt = ParseNumber(*ht).value_or(15);
      info.height = static_cast<std::uint16_t>(std::clamp(std::lround(pt * 20), 0L, 8192L));
    } else {
      info.height = static_cast<std::uint16_t>(default_height_ | 0x8000);
    }
    std::uint16_t flags = 0x0100;
    flags = static_cast<std::uint16_t>(flags | (std::clamp(level, 0LL, 7LL) & 7));
    if (collapsed) flags |= 0x10;
    if (hidden) flags |= 0x20;
    if (Flag(row.Attribute("customHeight"))) flags |= 0x40;
    if (s && custom_format) {
      flags |= 0x80;
      info.xf_word = CellXf(s);
    }
    info.flags = flags;
  }

  void ReadCell(XmlReader& c, std::uint32_t row, std::uint16_t col) {
    const std::string type = c.Attribute("t").value_or("n");
    const std::uint16_t xf = CellXf(c.Attribute("s"));
    std::optional<std::string> value;
    std::optional<std::string> formula;
    std::optional<SharedString> inline_text;
    ForEachChild(c, [&](XmlReader& e) {
      const std::string_view name = e.LocalName();
      if (name == "v")
        value = e.ReadText();
      else if (name == "f")
        formula = TakeElement(e, source_.root_start);
      else if (name == "is")
        inline_text = ReadRichText(e, theme_, book_.Formats());
    });
    workbook::CellStore& cells = sheet_.Cells();
    if (formula) {
      workbook::FormulaBody body;
      body.record.assign(16, 0);
      if (type == "str" || type == "inlineStr") {
        body.record[0] = 0x00;
        body.record[6] = body.record[7] = 0xFF;
        body.cached_text = Unescape(value.value_or(""));
      } else if (type == "b") {
        body.record[0] = 0x01;
        body.record[2] = value && *value == "1" ? 1 : 0;
        body.record[6] = body.record[7] = 0xFF;
      } else if (type == "e") {
        body.record[0] = 0x02;
        body.record[2] = workbook::ErrorCode(value.value_or(""));
        body.record[6] = body.record[7] = 0xFF;
      } else {
        const double number = ParseNumber(value.value_or("0")).value_or(0);
        std::memcpy(body.record.data(), &number, 8);
      }
      body.attached.push_back(
          {kFormulaMarkup, std::vector<std::uint8_t>(formula->begin(), formula->end())});
      cells.SetFormula(row, col, body);
    } else if (type == "s") {
      if (!value) return SetXfOnly(row, col, xf);
      const auto index = ParseInteger(*value);
      if (!index || *index < 0 || static_cast<std::size_t>(*index) >= strings_.size()) {
        Damaged("ссылка на строку " + *value);
      }
      const SharedString& s = strings_[static_cast<std::size_t>(*index)];
      if (s.runs.empty())
        cells.SetText(row, col, s.text);
      else
        cells.SetRichText(row, col, s.text, s.runs);
    } else if (type == "inlineStr" || type == "str") {
      if (inline_text) {
        if (inline_text->runs.empty())
          cells.SetText(row, col, inline_text->text);
        else
          cells.SetRichText(row, col, inline_text->text, inline_text->runs);
      } else if (value) {
        cells.SetText(row, col, Unescape(*value));
      } else {
        return SetXfOnly(row, col, xf);
      }
    } else if (type == "b") {
      if (!value) return SetXfOnly(row, col, xf);
      cells.SetBoolean(row, col, *value == "1" || *value == "true");
    } else if (type == "e") {
      if (!value) return SetXfOnly(row, col, xf);
      cells.SetError(row, col, workbook::ErrorCode(*value));
    } else if (type == "d") {
      if (!value) return SetXfOnly(row, col, xf);
      cells.SetText(row, col, *value);
    } else {
      if (!value) return SetXfOnly(row, col, xf);
      const auto number = ParseNumber(*value);
      if (!number) Damaged("число «" + *value + "»");
      cells.SetNumber(row, col, *number);
    }
    if (xf != workbook::kDefaultXf) cells.SetXf(row, col, xf);
  }

  void SetXfOnly(std::uint32_t row, std::uint16_t col, std::uint16_t xf) {
    if (xf != workbook::kDefaultXf) sheet_.Cells().SetXf(row, col, xf);
  }

  void ReadMerges(XmlReader& r) {
    ForEachChild(r, [&](XmlReader& c) {
      if (c.LocalName() != "mergeCell") return;
      const std::string ref = c.Attribute("ref").value_or("");
      const std::size_t colon = ref.find(':');
      workbook::Area area;
      std::uint16_t first_col = 0, last_col = 0;
      if (colon == std::string::npos ||
          !ParseCellName(std::string_view(ref).substr(0, colon), area.first_row, first_col) ||
          !ParseCellName(std::string_view(ref).substr(colon + 1), area.last_row, last_col) ||
          area.last_row < area.first_row || last_col < first_col) {
        Damaged("объединение ячеек «" + ref + "»");
      }
      area.first_col = first_col;
      area.last_col = last_col;
      sheet_.AddMerge(area);
    });
  }

  workbook::Workbook& book_;
  workbook::Sheet& sheet_;
  SheetSource& source_;
  const std::vector<SharedString>& strings_;
  const ThemeColors& theme_;
  const std::string& name_;
  std::uint16_t default_height_ = 300;
};

// Whether the VML shape of the note at (row, col) is shown: Excel writes
// its x:ClientData with x:Row and x:Column, and x:Visible when it is.
// The drawing is read as text: Excel's VML is not always well-formed XML.
std::vector<std::pair<std::uint32_t, std::uint16_t>> VisibleNotes(std::string_view vml) {
  std::vector<std::pair<std::uint32_t, std::uint16_t>> visible;
  std::size_t at = 0;
  while ((at = vml.find("<x:ClientData", at)) != std::string_view::npos) {
    const std::size_t end = vml.find("</x:ClientData>", at);
    if (end == std::string_view::npos) break;
    const std::string_view data = vml.substr(at, end - at);
    at = end;
    if (data.find("ObjectType=\"Note\"") == std::string_view::npos) continue;
    if (data.find("<x:Visible") == std::string_view::npos) continue;
    const auto number = [&](std::string_view tag) -> std::optional<long long> {
      const std::size_t open = data.find(tag);
      if (open == std::string_view::npos) return std::nullopt;
      const std::size_t from = open + tag.size();
      const std::size_t close = data.find('<', from);
      if (close == std::string_view::npos) return std::nullopt;
      std::string_view digits = data.substr(from, close - from);
      while (!digits.empty() &&
             (digits.front() == ' ' || digits.front() == '\n' || digits.front() == '\r'))
        digits.remove_prefix(1);
      while (!digits.empty() &&
             (digits.back() == ' ' || digits.back() == '\n' || digits.back() == '\r'))
        digits.remove_suffix(1);
      return ParseInteger(digits);
    };
    const auto row = number("<x:Row>");
    const auto col = number("<x:Column>");
    if (row && col && *row >= 0 && *col >= 0 && *row < kMaxRows && *col < kMaxColumns) {
      visible.emplace_back(static_cast<std::uint32_t>(*row), static_cast<std::uint16_t>(*col));
    }
  }
  return visible;
}

void ReadComments(const package::Package& pkg, const SheetSource& source, workbook::Sheet& sheet,
                  const std::string& name) {
  std::vector<std::string> authors;
  XmlReader r(pkg.Read(source.comments_part), source.comments_part);
  while (r.Next() && !r.IsStart()) {
  }
  const ThemeColors theme = DefaultThemeColors();
  workbook::Styles scratch;
  ForEachChild(r, [&](XmlReader& c) {
    if (c.LocalName() == "authors") {
      ForEachChild(c, [&](XmlReader& a) {
        if (a.LocalName() == "author") authors.push_back(Unescape(a.ReadText()));
      });
    } else if (c.LocalName() == "commentList") {
      ForEachChild(c, [&](XmlReader& e) {
        if (e.LocalName() != "comment") return;
        const std::string ref = e.Attribute("ref").value_or("");
        std::uint32_t row = 0;
        std::uint16_t col = 0;
        if (!ParseCellName(ref.substr(0, ref.find(':')), row, col)) {
          Refuse(name, "поврежден: " + source.comments_part + ": примечание к «" + ref + "»");
        }
        const auto author_id = ParseInteger(e.Attribute("authorId").value_or("0")).value_or(0);
        const std::string author =
            author_id >= 0 && static_cast<std::size_t>(author_id) < authors.size()
                ? authors[static_cast<std::size_t>(author_id)]
                : std::string();
        std::string text;
        ForEachChild(e, [&](XmlReader& t) {
          if (t.LocalName() == "text") text = ReadRichText(t, theme, scratch).text;
        });
        if (sheet.Art().FindNote(row, col) != nullptr) return;
        workbook::Shape& shape = sheet.Art().AddNote(row, col, author);
        shape.note->text = text;
        shape.note->text_changed = true;
      });
    }
  });
  if (!source.vml_part.empty() && pkg.Has(source.vml_part)) {
    for (const auto& [row, col] : VisibleNotes(pkg.Read(source.vml_part))) {
      if (workbook::Shape* shape = sheet.Art().FindNote(row, col))
        sheet.Art().SetNoteVisible(*shape, true);
    }
  }
}

std::string Related(const package::Package& pkg, const std::string& source, std::string_view type) {
  for (const std::string& target : pkg.Targets(source, type)) {
    if (pkg.Has(target)) return target;
  }
  return {};
}

bool IsWorkbookType(std::string_view type) {
  return type == content_type::kWorkbook || type == content_type::kTemplate ||
         type == content_type::kMacroWorkbook || type == content_type::kMacroTemplate;
}

}  // namespace

std::unique_ptr<workbook::Workbook> ReadWorkbook(package::Package package,
                                                 const std::string& name) {
  auto source = std::make_shared<BookSource>();
  source->package = std::move(package);
  const package::Package& pkg = source->package;
  if (const package::Relationships* rels = pkg.FindRelationships("/")) {
    if (rels->FirstOfType(relationship::kStrictOfficeDocument) != nullptr) {
      Refuse(name, "сохранен в формате Strict Open XML, который не поддерживается");
    }
  }
  const std::vector<std::string> mains = pkg.Targets("/", relationship::kOfficeDocument);
  if (!mains.empty()) source->workbook_part = mains.front();
  if (source->workbook_part.empty() || !pkg.Has(source->workbook_part) ||
      !IsWorkbookType(pkg.ContentTypeOf(source->workbook_part))) {
    Refuse(name, "не является книгой Excel");
  }
  const std::string& main = source->workbook_part;
  auto book = std::make_unique<workbook::Workbook>();

  ThemeColors theme = DefaultThemeColors();
  if (const std::string part = Related(pkg, main, relationship::kTheme); !part.empty()) {
    theme = ReadThemeColors(pkg.Read(part));
  }
  source->styles_part = Related(pkg, main, relationship::kStyles);
  ReadStyles(source->styles_part.empty()
                 ? std::string_view("<styleSheet xmlns=\"" + std::string(ns::kMain) + "\"/>")
                 : std::string_view(pkg.Read(source->styles_part)),
             source->styles_part.empty() ? std::string("styles") : source->styles_part, theme,
             book->Formats(), source->styles);

  std::vector<SharedString> strings;
  source->shared_strings_part = Related(pkg, main, relationship::kSharedStrings);
  if (!source->shared_strings_part.empty()) {
    XmlReader r(pkg.Read(source->shared_strings_part), source->shared_strings_part);
    while (r.Next() && !r.IsStart()) {
    }
    ForEachChild(r, [&](XmlReader& si) {
      if (si.LocalName() == "si") strings.push_back(ReadRichText(si, theme, book->Formats()));
    });
  }

  struct SheetEntry {
    std::string name;
    std::string id;
    std::string attributes;
    std::string state;
  };
  std::vector<SheetEntry> entries;
  std::vector<std::size_t> local_indexes;  // of the names, by position
  std::size_t active = 0;
  {
    XmlReader r(pkg.Read(main), main);
    while (r.Next() && !r.IsStart()) {
    }
    if (!r.IsStart()) r.Fail("нет корневого элемента");
    source->root_start = StartTag(r);
    ForEachChild(r, [&](XmlReader& c) {
      const std::string child(c.LocalName());
      if (child == "sheets") {
        ForEachChild(c, [&](XmlReader& s) {
          if (s.LocalName() != "sheet") return;
          SheetEntry e;
          e.name = s.Attribute("name").value_or("");
          e.id = s.AttributeNs("id", ns::kRelationships.data()).value_or("");
          e.state = s.Attribute("state").value_or("visible");
          if (e.state != "visible") e.attributes = " state=\"" + e.state + "\"";
          entries.push_back(std::move(e));
        });
      } else if (child == "definedNames") {
        ForEachChild(c, [&](XmlReader& d) {
          if (d.LocalName() != "definedName") return;
          SourceName n;
          const auto local = d.Attribute("localSheetId");
          std::string attrs;
          for (const char* a : {"name", "comment", "customMenu", "description", "help", "statusBar",
                                "hidden", "function", "vbProcedure", "xlm", "functionGroupId",
                                "shortcutKey", "publishToServer", "workbookParameter"}) {
            if (auto v = d.Attribute(a)) {
              attrs += ' ';
              attrs += a;
              attrs += "=\"";
              AppendEscaped(attrs, *v, true);
              attrs += '"';
            }
          }
          n.xml_attributes = std::move(attrs);
          n.text = d.ReadText();
          if (local) {
            const auto i = ParseInteger(*local);
            if (!i || *i < 0 || *i > 0xFFFF) return;
            n.local = true;
            local_indexes.push_back(static_cast<std::size_t>(*i));
          } else {
            local_indexes.push_back(0);
          }
          source->names.push_back(std::move(n));
        });
      } else {
        std::string outer = TakeElement(c, source->root_start);
        if (child == "bookViews") {
          const std::size_t at = outer.find("activeTab=\"");
          if (at != std::string::npos) {
            const std::size_t from = at + 11;
            active = static_cast<std::size_t>(std::max(
                0LL,
                ParseInteger(std::string_view(outer).substr(from, outer.find('"', from) - from))
                    .value_or(0)));
          }
        }
        source->children.push_back({child, std::move(outer)});
      }
    });
  }
  if (entries.empty()) Refuse(name, "поврежден: в книге нет листов");

  const package::Relationships* rels = pkg.FindRelationships(main);
  std::vector<const workbook::SourceMarkup*> sheet_sources;
  for (const SheetEntry& e : entries) {
    const package::Relationship* rel = rels == nullptr ? nullptr : rels->ById(e.id);
    if (rel == nullptr || rel->external)
      Refuse(name, "поврежден: лист «" + e.name + "» без своей части");
    const std::string part = package::ResolveTarget(main, rel->target);
    if (!pkg.Has(part)) Refuse(name, "поврежден: нет части " + part + " листа «" + e.name + "»");
    auto sheet_source = std::make_shared<SheetSource>();
    sheet_source->part = part;
    sheet_source->sheet_attributes = e.attributes;
    sheet_source->name = e.name;
    const bool worksheet = rel->type == relationship::kWorksheet;
    sheet_source->is_worksheet = worksheet;
    auto sheet = std::make_unique<workbook::Sheet>(worksheet ? workbook::SheetKind::kWorksheet
                                                   : rel->type == relationship::kChartsheet
                                                       ? workbook::SheetKind::kChart
                                                       : workbook::SheetKind::kOther,
                                                   e.name);
    sheet->SetBoundSheetFlags(e.state == "hidden" ? 1 : e.state == "veryHidden" ? 2 : 0);
    if (worksheet) {
      sheet_source->comments_part = Related(pkg, part, relationship::kComments);
      if (!sheet_source->comments_part.empty()) {
        sheet_source->vml_part = Related(pkg, part, relationship::kVmlDrawing);
      }
      SheetReader(*book, *sheet, *sheet_source, strings, theme, name).Read(pkg.Read(part));
      if (!sheet_source->comments_part.empty()) ReadComments(pkg, *sheet_source, *sheet, name);
    }
    sheet_sources.push_back(sheet_source.get());
    sheet->SetMarkup(std::move(sheet_source));
    book->AppendSheet(std::move(sheet));
  }
  // Names local to a sheet refer to it by its source, which copies share.
  for (std::size_t k = 0; k < source->names.size(); ++k) {
    SourceName& n = source->names[k];
    if (n.local && local_indexes[k] < sheet_sources.size())
      n.local_sheet = sheet_sources[local_indexes[k]];
  }
  std::erase_if(source->names,
                [&](const SourceName& n) { return n.local && n.local_sheet == nullptr; });
  book->SetActiveSheet(active < book->SheetCount() ? active : 0);
  std::shared_ptr<const BookSource> kept = std::move(source);
  book->SetMarkup(kept);
  book->SetEditor(std::make_shared<KeptReferences>(*book, kept));
  return book;
}

std::unique_ptr<workbook::Workbook> ReadWorkbookFile(const std::string& path) {
  return ReadWorkbook(package::Package::Open(path), path);
}

}  // namespace quorlex::automation::spreadsheetml
