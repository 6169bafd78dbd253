#include "automation/word97/font_table_io.h"

#include "automation/word97/byte_reader.h"
#include "platform/little_endian.h"
#include "platform/utf16.h"

namespace quorlex::automation::word97 {

using platform::Append16;

namespace {

// The face name follows the fixed part of a font record: family and pitch,
// weight, character set, alternative-name index, panose, signature.
constexpr std::size_t kNameAt = 39;

}  // namespace

document::FontTable ReadFontTable(std::string_view sttbf_ffn) {
  document::FontTable table;
  if (sttbf_ffn.empty()) return table;
  ByteReader in(sttbf_ffn, "таблица шрифтов");
  const std::size_t count = in.U16(0);
  std::size_t at = 4;
  for (std::size_t i = 0; i < count; ++i) {
    const std::size_t size = in.U8(at);
    const std::string_view record = in.Slice(at + 1, size);
    at += 1 + size;
    std::u16string name;
    for (std::size_t k = kNameAt; k + 1 < record.size(); k += 2) {
      const auto c = static_cast<char16_t>(platform::Get16(record, k));
      if (c == 0) break;
      name.push_back(c);
    }
    table.Add({platform::Utf16ToUtf8(name), std::string(record)});
  }
  return table;
}

std::string WriteFontTable(const document::FontTable& fonts) {
  std::string out;
  Append16(out, static_cast<std::uint16_t>(fonts.fonts().size()));
  Append16(out, 0);
  for (const auto& font : fonts.fonts()) {
    const std::size_t size = std::min<std::size_t>(font.record.size(), 255);
    out.push_back(static_cast<char>(size));
    out.append(font.record, 0, size);
  }
  return out;
}

}  // namespace quorlex::automation::word97
