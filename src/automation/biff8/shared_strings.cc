#include "automation/biff8/shared_strings.h"

#include <algorithm>

#include "platform/little_endian.h"
#include "platform/utf16.h"

namespace quorlex::automation::biff8 {

namespace {
constexpr std::size_t kRunSize = 4;  // first character, font
}  // namespace

using platform::Append16;
using platform::Append32;

void SharedStrings::Add(std::string_view text, std::string_view runs) {
  ++total_;
  if (runs.empty()) {
    auto [it, inserted] = index_.try_emplace(text, static_cast<std::uint32_t>(strings_.size()));
    if (inserted) strings_.push_back({text, {}});
    return;
  }
  std::string key(text);
  key.push_back('\0');
  key.append(runs);
  auto [it, inserted] =
      rich_index_.try_emplace(std::move(key), static_cast<std::uint32_t>(strings_.size()));
  if (inserted) strings_.push_back({text, runs});
}

void SharedStrings::AddOwned(const std::string& text) {
  if (index_.count(text) == 0) {
    owned_.push_back(text);
    Add(owned_.back(), {});
  } else {
    Add(text, {});
  }
}

std::uint32_t SharedStrings::Find(std::string_view text, std::string_view runs) const {
  if (runs.empty()) return index_.at(text);
  std::string key(text);
  key.push_back('\0');
  key.append(runs);
  return rich_index_.at(key);
}

void SharedStrings::Write(RecordSink& sink) const {
  // Record boundaries fall between strings, or inside the characters of
  // one with a fresh option byte, or between its runs.
  std::vector<std::uint8_t> rec;
  Append32(rec, total_);
  Append32(rec, static_cast<std::uint32_t>(strings_.size()));
  std::uint16_t rec_type = rt::kSst;
  std::size_t bucket = std::max<std::size_t>(8, (strings_.size() + 127) / 128);
  std::vector<std::pair<std::uint32_t, std::uint16_t>> ext;
  auto flush = [&] {
    sink.Put(rec_type, rec);
    rec.clear();
    rec_type = rt::kContinue;
  };
  for (std::size_t i = 0; i < strings_.size(); ++i) {
    std::u16string chars = platform::Utf8ToUtf16(strings_[i].text);
    std::string_view runs = strings_[i].runs;
    bool wide = std::any_of(chars.begin(), chars.end(), [](char16_t c) { return c > 0xFF; });
    std::size_t unit = wide ? 2 : 1;
    std::size_t header = runs.empty() ? 3 : 5;
    if (rec.size() + header + unit > kMaxRecordData) flush();
    if (i % bucket == 0) {
      ext.emplace_back(static_cast<std::uint32_t>(sink.Size() + 4 + rec.size()),
                       static_cast<std::uint16_t>(rec.size() + 4));
    }
    Append16(rec, static_cast<std::uint32_t>(chars.size()));
    rec.push_back(static_cast<std::uint8_t>((wide ? 0x01 : 0x00) | (runs.empty() ? 0x00 : 0x08)));
    if (!runs.empty()) Append16(rec, static_cast<std::uint32_t>(runs.size() / 4));
    std::size_t at = 0;
    while (at < chars.size()) {
      std::size_t room = (kMaxRecordData - rec.size()) / unit;
      if (room == 0) {
        flush();
        rec.push_back(wide ? 1 : 0);
        continue;
      }
      std::size_t n = std::min(room, chars.size() - at);
      for (std::size_t k = at; k < at + n; ++k) {
        if (wide) {
          Append16(rec, chars[k]);
        } else {
          rec.push_back(static_cast<std::uint8_t>(chars[k]));
        }
      }
      at += n;
    }
    // A formatting run (4 bytes) is never cut: readers take it whole.
    for (std::size_t at_run = 0; at_run < runs.size(); at_run += kRunSize) {
      if (rec.size() + kRunSize > kMaxRecordData) flush();
      const auto run = runs.substr(at_run, kRunSize);
      rec.insert(rec.end(), run.begin(), run.end());
    }
  }
  flush();
  std::vector<std::uint8_t> extsst;
  Append16(extsst, static_cast<std::uint32_t>(bucket));
  for (const auto& [offset, in_record] : ext) {
    Append32(extsst, offset);
    Append16(extsst, in_record);
    Append16(extsst, 0);
  }
  // EXTSST is an index only; a huge table keeps the first entries.
  if (extsst.size() > kMaxRecordData) extsst.resize(kMaxRecordData - (kMaxRecordData - 2) % 8);
  sink.Put(rt::kExtSst, extsst);
}

}  // namespace quorlex::automation::biff8
