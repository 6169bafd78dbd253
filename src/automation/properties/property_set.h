#pragma once

// A property-set stream ([MS-OLEPS]), such as the summary information a
// compound file carries: its first section taken apart into properties,
// every other section (the user-defined properties of the document summary)
// kept whole.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quorlex::automation::properties {

using FormatId = std::array<std::uint8_t, 16>;

// Property types this code writes.
inline constexpr std::uint16_t kTypeInt16 = 0x0002;
inline constexpr std::uint16_t kTypeInt32 = 0x0003;
inline constexpr std::uint16_t kTypeString = 0x001E;  // in the set's code page
inline constexpr std::uint16_t kTypeFiletime = 0x0040;

// The code page property, and the one that means UTF-16 strings.
inline constexpr std::uint32_t kCodePageId = 1;
inline constexpr std::uint16_t kCodePageUtf16 = 1200;

// A property set stream (summary information), read and written byte for byte.
class PropertySet {
 public:
  // One property: its identifier and its typed value (type, padding, value
  // and the padding after it), byte for byte.
  struct Property {
    std::uint32_t id = 0;
    std::string value;
  };

  // A set of one empty section of the given format.
  explicit PropertySet(const FormatId& format);

  // Nothing when the stream does not hold together.
  static std::optional<PropertySet> Parse(std::string_view stream);
  std::string Serialize() const;

  const FormatId& Format() const { return format_; }
  const std::vector<Property>& Properties() const { return properties_; }
  const Property* Find(std::uint32_t id) const;
  // The type of a property, 0 when there is none.
  std::uint16_t TypeOf(std::uint32_t id) const;

  void Remove(std::uint32_t id);
  void SetInt16(std::uint32_t id, std::int16_t value);
  void SetInt32(std::uint32_t id, std::int32_t value);
  // An 8-bit string in the set's code page (ASCII text reads the same in
  // all of them), or UTF-16 when the code page says so.
  void SetAsciiString(std::uint32_t id, std::string_view ascii);
  // A FILETIME: 100-nanosecond intervals since 1601, in UTC (a point in
  // time), or a length of time.
  void SetFiletime(std::uint32_t id, std::uint64_t filetime);

 private:
  void Set(std::uint32_t id, std::string value);

  std::string header_;  // byte order, version, system and class identifiers
  FormatId format_{};
  std::vector<Property> properties_;
  std::vector<std::pair<FormatId, std::string>> other_sections_;
};

}  // namespace quorlex::automation::properties
