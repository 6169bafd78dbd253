#include "automation/workbook/code_names.h"

#include <algorithm>

#include "automation/workbook/workbook.h"
#include "platform/little_endian.h"
#include "platform/text.h"
#include "platform/utf16.h"

namespace quorlex::automation::workbook {

using platform::Append16;
using platform::Get16;

namespace {

constexpr std::uint16_t kCodeName = 0x01BA;
constexpr std::uint16_t kObProj = 0x00D3;  // the workbook has a VBA project
constexpr std::uint8_t kWideChars = 0x01;
constexpr std::size_t kMaxCodeName = 31;

std::string ReadName(const Record& r) {
  std::u16string chars;
  const std::size_t count = Get16(r.data, 0);
  if (r.data.size() < 3) return {};
  const bool wide = (r.data[2] & kWideChars) != 0;
  std::size_t at = 3;
  for (std::size_t i = 0; i < count && ReadStringChar(r.data, at, wide, chars); ++i) {
  }
  return platform::Utf16ToUtf8(chars);
}

Record* FindCodeName(std::vector<SheetItem>& items) {
  for (SheetItem& item : items) {
    if (item.slot == Slot::kNone && item.record.type == kCodeName) return &item.record;
  }
  return nullptr;
}

}  // namespace

std::string SheetCodeName(const Sheet& sheet) {
  for (const SheetItem& item : sheet.Items()) {
    if (item.slot == Slot::kNone && item.record.type == kCodeName) return ReadName(item.record);
  }
  return {};
}

void SetSheetCodeName(Sheet& sheet, const std::string& name) {
  Record* r = FindCodeName(sheet.Items());
  if (r == nullptr) return;
  const std::u16string chars = platform::Utf8ToUtf16(name);
  const bool wide = std::any_of(chars.begin(), chars.end(), [](char16_t c) { return c > 0xFF; });
  r->data.clear();
  Append16(r->data, static_cast<std::uint32_t>(chars.size()));
  r->data.push_back(wide ? kWideChars : 0);
  for (char16_t c : chars) {
    if (wide) {
      Append16(r->data, c);
    } else {
      r->data.push_back(static_cast<std::uint8_t>(c));
    }
  }
}

bool HasVbaProject(const Workbook& book) {
  return std::any_of(book.Globals().begin(), book.Globals().end(), [](const GlobalItem& g) {
    return g.slot == GlobalSlot::kNone && g.record.type == kObProj;
  });
}

void CodeNames::Learn(const Workbook& book) {
  learnt_ = true;
  for (const GlobalItem& g : book.Globals()) {
    if (g.slot == GlobalSlot::kNone && g.record.type == kCodeName)
      taken_.insert(platform::Upper(ReadName(g.record)));
  }
  for (std::size_t i = 0; i < book.SheetCount(); ++i) {
    const std::string name = SheetCodeName(book.SheetAt(i));
    if (!name.empty()) taken_.insert(platform::Upper(name));
  }
}

std::string CodeNames::Unique(const Workbook& book, const std::string& base) {
  if (!learnt_) Learn(book);
  const std::string key = platform::Upper(base);
  int& n = next_.try_emplace(key, 1).first->second;
  for (;; ++n) {
    const std::string number = std::to_string(n);
    std::string stem = base;
    while (!stem.empty() && platform::Utf16Length(stem) + number.size() > kMaxCodeName) {
      stem = platform::Left(stem, platform::Length(stem) - 1);
    }
    const std::string candidate = stem + number;
    if (taken_.insert(platform::Upper(candidate)).second) {
      ++n;
      return candidate;
    }
  }
}

}  // namespace quorlex::automation::workbook
