#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quorlex::automation::document {

// The document's fonts. Character formats name a font by its index here.
// Each entry keeps the font record as the file holds it (family, pitch,
// panose, signature), so fonts read from a template are written back as
// they were.
class FontTable {
 public:
  // One font of the table: its name and its record as read.
  struct Font {
    std::string name;    // UTF-8
    std::string record;  // the font record without its leading size byte
  };

  const std::vector<Font>& fonts() const { return fonts_; }
  void Add(Font font) { fonts_.push_back(std::move(font)); }

  // Index of the font with this name (compared without regard to ASCII
  // case), if the table has one.
  std::optional<std::uint16_t> Find(std::string_view name) const;
  // Index of the font, added with a record made up from its name (family
  // and pitch guessed from well-known faces) when the table lacks it.
  std::uint16_t FindOrAdd(std::string_view name);

  // A font record for a face the table does not have.
  static std::string MakeRecord(std::string_view name);

 private:
  std::vector<Font> fonts_;
};

}  // namespace quorlex::automation::document
