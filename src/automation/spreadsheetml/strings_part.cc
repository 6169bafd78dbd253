#include "automation/spreadsheetml/strings_part.h"

#include <algorithm>
#include <string>
#include <unordered_map>

#include "automation/spreadsheetml/names.h"
#include "automation/spreadsheetml/styles_io.h"
#include "automation/spreadsheetml/xml_util.h"

namespace quorlex::automation::spreadsheetml {
namespace {

// UTF-8 offset of UTF-16 position `units` in `text`.
std::size_t Utf8Offset(std::string_view text, std::size_t units) {
  std::size_t i = 0, n = 0;
  while (i < text.size() && n < units) {
    const auto c = static_cast<unsigned char>(text[i]);
    const std::size_t len = c < 0x80 ? 1 : c < 0xE0 ? 2 : c < 0xF0 ? 3 : 4;
    n += len == 4 ? 2 : 1;
    i += len;
  }
  return std::min(i, text.size());
}

void AppendRich(std::string& out, std::string_view text, std::string_view runs,
                const workbook::Styles& styles) {
  const std::size_t first_unit =
      runs.size() >= 4 ? static_cast<std::size_t>(static_cast<unsigned char>(runs[0])) |
                             (static_cast<std::size_t>(static_cast<unsigned char>(runs[1])) << 8)
                       : 0;
  const std::size_t first = runs.size() >= 4 ? Utf8Offset(text, first_unit) : text.size();
  if (first > 0) {
    out += "<r>";
    AppendTextElement(out, text.substr(0, first));
    out += "</r>";
  }
  for (std::size_t k = 0; k + 4 <= runs.size(); k += 4) {
    const auto u16 = [&](std::size_t at) {
      return static_cast<std::uint16_t>(static_cast<unsigned char>(runs[at]) |
                                        (static_cast<unsigned char>(runs[at + 1]) << 8));
    };
    const std::size_t from = Utf8Offset(text, u16(k));
    const std::size_t to = k + 8 <= runs.size() ? Utf8Offset(text, u16(k + 4)) : text.size();
    if (to <= from) continue;
    out += "<r><rPr>";
    const std::uint16_t font = u16(k + 2);
    const std::size_t index = font < 4 ? font : font - 1u;
    AppendRunProperties(
        out, index < styles.Fonts().size() ? styles.Fonts()[index] : styles.Fonts().front(),
        styles);
    out += "</rPr>";
    AppendTextElement(out, text.substr(from, to - from));
    out += "</r>";
  }
}

class StringsProducer : public package::PartProducer {
 public:
  StringsProducer(std::shared_ptr<const SharedStrings> strings, const workbook::Styles& styles)
      : strings_(std::move(strings)), styles_(styles) {}
  void Start() override {
    next_ = 0;
    started_ = false;
  }
  bool Next(std::string& out) override {
    if (!started_) {
      started_ = true;
      out += kDeclaration;
      out += "<sst xmlns=\"" + std::string(ns::kMain) + "\" count=\"" +
             std::to_string(strings_->references) + "\" uniqueCount=\"" +
             std::to_string(strings_->entries.size()) + "\">";
      return true;
    }
    if (next_ > strings_->entries.size()) return false;
    const std::size_t start = out.size();
    while (next_ < strings_->entries.size() && out.size() - start < kPieceBytes) {
      const auto& e = strings_->entries[next_++];
      out += "<si>";
      if (e.runs.empty())
        AppendTextElement(out, e.text);
      else
        AppendRich(out, e.text, e.runs, styles_);
      out += "</si>";
    }
    if (next_ == strings_->entries.size()) {
      out += "</sst>";
      ++next_;
    }
    return true;
  }

 private:
  std::shared_ptr<const SharedStrings> strings_;
  const workbook::Styles& styles_;
  std::size_t next_ = 0;
  bool started_ = false;
};

}  // namespace

SharedStrings GatherStrings(const workbook::Workbook& book) {
  SharedStrings s;
  s.cell_indexes.resize(book.SheetCount());
  std::unordered_map<std::string_view, std::uint32_t> plain;
  std::unordered_map<std::string, std::uint32_t> rich;
  for (std::size_t i = 0; i < book.SheetCount(); ++i) {
    const workbook::Sheet& sheet = book.SheetAt(i);
    if (!sheet.IsWorksheet()) continue;
    const workbook::CellStore& cells = sheet.Cells();
    auto& indexes = s.cell_indexes[i];
    for (const workbook::Row& row : cells.Rows()) {
      for (const workbook::Cell& cell : row.cells) {
        if (!workbook::IsText(cell.kind)) continue;
        const std::string_view text = cells.Text(cell);
        const std::string_view runs =
            cell.kind == workbook::CellKind::kRichText ? cells.Runs(cell) : std::string_view();
        std::uint32_t index = 0;
        if (runs.empty()) {
          auto [it, added] = plain.try_emplace(text, static_cast<std::uint32_t>(s.entries.size()));
          if (added) s.entries.push_back({text, {}});
          index = it->second;
        } else {
          std::string key(text);
          key += '\0';
          key.append(runs);
          auto [it, added] =
              rich.try_emplace(std::move(key), static_cast<std::uint32_t>(s.entries.size()));
          if (added) s.entries.push_back({text, runs});
          index = it->second;
        }
        indexes.push_back(index);
        ++s.references;
      }
    }
  }
  return s;
}

std::shared_ptr<package::PartProducer> StringsPart(std::shared_ptr<const SharedStrings> strings,
                                                   const workbook::Styles& styles) {
  return std::make_shared<StringsProducer>(std::move(strings), styles);
}

}  // namespace quorlex::automation::spreadsheetml
