#include "automation/document/font_table.h"

#include "automation/document/sprm.h"
#include "platform/error.h"
#include "platform/little_endian.h"
#include "platform/text.h"

namespace quorlex::automation::document {

using platform::Append16;

namespace {

bool Mentions(std::string_view name, std::string_view word) {
  return platform::Contains(platform::Lower(name), word);
}

}  // namespace

std::optional<std::uint16_t> FontTable::Find(std::string_view name) const {
  for (std::size_t i = 0; i < fonts_.size(); ++i) {
    if (platform::EqualsIgnoringAsciiCase(fonts_[i].name, name))
      return static_cast<std::uint16_t>(i);
  }
  return std::nullopt;
}

std::uint16_t FontTable::FindOrAdd(std::string_view name) {
  if (auto index = Find(name)) return *index;
  if (fonts_.size() >= 0x7FFF) {
    throw Error(errors::kDocument, "В документе слишком много шрифтов");
  }
  fonts_.push_back(Font{std::string(name), MakeRecord(name)});
  return static_cast<std::uint16_t>(fonts_.size() - 1);
}

std::string FontTable::MakeRecord(std::string_view name) {
  // Family: 1 roman, 2 swiss, 3 modern (fixed pitch); pitch: 1 fixed, 2
  // variable. Readers use them only to pick a substitute for a missing face.
  int family = 2;
  int pitch = 2;
  if (Mentions(name, "courier") || Mentions(name, "mono") || Mentions(name, "consol")) {
    family = 3;
    pitch = 1;
  } else if ((Mentions(name, "times") || Mentions(name, "serif") || Mentions(name, "georgia") ||
              Mentions(name, "garamond") || Mentions(name, "roman")) &&
             !Mentions(name, "sans")) {
    family = 1;
  }
  std::string record;
  record.push_back(static_cast<char>(pitch | 0x04 /* TrueType */ | (family << 4)));
  Append16(record, 400);    // weight
  record.push_back('\0');   // character set: the text is Unicode
  record.push_back('\0');   // no alternative name
  record.append(10, '\0');  // panose
  record.append(24, '\0');  // font signature
  // A record is at most 255 bytes: long names are cut.
  std::size_t i = 0;
  while (i < name.size() && record.size() < 250) {
    const char32_t c = platform::DecodeNext(name, i);
    if (c > 0xFFFF) continue;
    Append16(record, static_cast<std::uint16_t>(c));
  }
  Append16(record, 0);
  return record;
}

}  // namespace quorlex::automation::document
