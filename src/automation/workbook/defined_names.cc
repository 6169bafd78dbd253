#include "automation/workbook/defined_names.h"

#include <algorithm>

#include "automation/workbook/formula_edit.h"
#include "automation/workbook/ptg.h"
#include "automation/workbook/record.h"
#include "platform/little_endian.h"
#include "platform/text.h"
#include "platform/utf16.h"

namespace quorlex::automation::workbook {

using platform::Get16;
using platform::Put16;

namespace {

constexpr std::uint16_t kBuiltinFlag = 0x0020;
constexpr std::size_t kFlagsAt = 0;
constexpr std::size_t kNameLengthAt = 3;
constexpr std::size_t kFormulaLengthAt = 4;
constexpr std::size_t kSheetAt = 8;
constexpr std::size_t kNameAt = 14;  // the name's option byte, then its characters
constexpr std::uint8_t kWideChars = 0x01;

std::string Key(const std::u16string& text) { return platform::Upper(platform::Utf16ToUtf8(text)); }

}  // namespace

bool DefinedName::IsBuiltin() const { return (Get16(data_, kFlagsAt) & kBuiltinFlag) != 0; }

std::uint8_t DefinedName::BuiltinCode() const {
  if (!IsBuiltin()) return 0;
  std::u16string text = Text();
  return text.empty() ? 0 : static_cast<std::uint8_t>(text[0]);
}

std::u16string DefinedName::Text() const {
  std::u16string text;
  if (data_.size() <= kNameAt) return text;
  const std::size_t chars = data_[kNameLengthAt];
  const bool wide = (data_[kNameAt] & kWideChars) != 0;
  std::size_t at = kNameAt + 1;
  for (std::size_t i = 0; i < chars && ReadStringChar(data_, at, wide, text); ++i) {
  }
  return text;
}

std::uint16_t DefinedName::SheetNumber() const { return Get16(data_, kSheetAt); }

void DefinedName::SetSheetNumber(std::uint16_t n) { Put16(data_, kSheetAt, n); }

std::size_t DefinedName::FormulaAt() const {
  if (data_.size() <= kNameAt) return data_.size();
  const std::size_t chars = data_[kNameLengthAt];
  const bool wide = (data_[kNameAt] & kWideChars) != 0;
  return std::min(data_.size(), kNameAt + 1 + chars * (wide ? 2 : 1));
}

std::vector<std::uint8_t> DefinedName::Formula() const {
  const std::size_t at = FormulaAt();
  const std::size_t end = std::min(data_.size(), at + Get16(data_, kFormulaLengthAt));
  return {data_.begin() + static_cast<std::ptrdiff_t>(at),
          data_.begin() + static_cast<std::ptrdiff_t>(end)};
}

void DefinedName::SetFormula(const std::vector<std::uint8_t>& rgce) {
  const std::size_t at = FormulaAt();
  const std::size_t end = std::min(data_.size(), at + Get16(data_, kFormulaLengthAt));
  data_.erase(data_.begin() + static_cast<std::ptrdiff_t>(at),
              data_.begin() + static_cast<std::ptrdiff_t>(end));
  data_.insert(data_.begin() + static_cast<std::ptrdiff_t>(at), rgce.begin(), rgce.end());
  Put16(data_, kFormulaLengthAt, static_cast<std::uint32_t>(rgce.size()));
}

void DefinedNames::Add(DefinedName name) { names_.push_back(std::move(name)); }

void DefinedNames::ContinueLast(const std::vector<std::uint8_t>& bytes) {
  if (names_.empty()) return;
  auto& data = names_.back().MutableData();
  data.insert(data.end(), bytes.begin(), bytes.end());
}

void DefinedNames::SetFormula(std::size_t i, const std::vector<std::uint8_t>& rgce) {
  names_.at(i).SetFormula(rgce);
}

void DefinedNames::SetSheetNumber(std::size_t i, std::uint16_t n) {
  names_.at(i).SetSheetNumber(n);
}

const std::vector<std::size_t>& DefinedNames::NamingSheet(std::size_t sheet,
                                                          const SheetIndex& sheets) {
  if (!indexed_) {
    by_sheet_.clear();
    indexed_count_ = 0;
    indexed_ = true;
  }
  for (; indexed_count_ < names_.size(); ++indexed_count_) {
    std::vector<std::size_t> named;
    const std::vector<std::uint8_t> rgce = names_[indexed_count_].Formula();
    ForEachPtg(rgce, [&](std::size_t at, std::size_t, std::uint8_t base) {
      if (base < ptg::kRef3d || base > ptg::kAreaErr3d) return;
      if (auto s = sheets.SheetOf(Get16(rgce, at + 1))) named.push_back(*s);
    });
    std::sort(named.begin(), named.end());
    named.erase(std::unique(named.begin(), named.end()), named.end());
    for (std::size_t s : named)
      by_sheet_[s].push_back(indexed_count_);
  }
  static const std::vector<std::size_t> kNone;
  auto it = by_sheet_.find(sheet);
  return it == by_sheet_.end() ? kNone : it->second;
}

std::size_t DefinedNames::Find(const std::u16string& text, std::uint16_t sheet_number) const {
  const std::string key = Key(text);
  for (std::size_t i = 0; i < names_.size(); ++i) {
    const DefinedName& n = names_[i];
    if (n.SheetNumber() != sheet_number) continue;
    const std::u16string other = n.Text();
    if (n.IsBuiltin() ? other == text : Key(other) == key) return i;
  }
  return static_cast<std::size_t>(-1);
}

}  // namespace quorlex::automation::workbook
