#include "automation/word97/style_sheet_reader.h"

#include "automation/word97/byte_reader.h"
#include "platform/utf16.h"

namespace quorlex::automation::word97 {

document::StyleSheet ReadStyleSheet(std::string_view stsh) {
  document::StyleSheet sheet;
  sheet.raw.assign(stsh);
  if (stsh.empty()) return sheet;
  ByteReader in(stsh, "таблица стилей");
  const std::size_t info_size = in.U16(0);
  const std::size_t count = in.U16(2);
  const std::size_t base_size = in.U16(4);
  std::size_t at = 2 + info_size;
  for (std::size_t istd = 0; istd < count && at + 2 <= stsh.size(); ++istd) {
    const std::size_t size = in.U16(at);
    at += 2;
    if (size == 0) continue;
    const std::string_view std_bytes = in.Slice(at, size);
    at += size;
    if (size < 10) continue;
    ByteReader s(std_bytes, "таблица стилей");
    document::StyleSheet::Style style;
    style.istd = static_cast<std::uint16_t>(istd);
    style.sti = s.U16(0) & 0x0FFF;
    const unsigned kind = s.U16(2) & 0x000F;
    style.kind = kind >= 1 && kind <= 4 ? static_cast<document::StyleSheet::Kind>(kind)
                                        : document::StyleSheet::Kind::kParagraph;
    if (base_size + 2 <= size) {
      const std::size_t length = s.U16(base_size);
      if (s.Fits(base_size + 2, length * 2)) {
        std::u16string name;
        for (std::size_t k = 0; k < length; ++k) {
          name.push_back(static_cast<char16_t>(s.U16(base_size + 2 + k * 2)));
        }
        style.name = platform::Utf16ToUtf8(name);
      }
    }
    sheet.styles.push_back(std::move(style));
  }
  return sheet;
}

}  // namespace quorlex::automation::word97
