#include "automation/properties/property_set.h"

#include <algorithm>
#include <map>

#include "platform/little_endian.h"

namespace quorlex::automation::properties {

using platform::Append16;
using platform::Append32;
using platform::Get16;
using platform::Get32;

namespace {

constexpr std::size_t kHeaderSize =
    24;  // byte order 2, version 2, system 4, class 16; then the count
constexpr std::size_t kSectionEntrySize = 20;
constexpr std::uint16_t kByteOrder = 0xFFFE;
constexpr std::uint32_t kMaxProperties = 4096;

void Pad4(std::string& out) {
  while (out.size() % 4 != 0)
    out.push_back('\0');
}

std::string Typed(std::uint16_t type) {
  std::string value;
  Append16(value, type);
  Append16(value, 0);
  return value;
}

}  // namespace

PropertySet::PropertySet(const FormatId& format) : format_(format) {
  Append16(header_, kByteOrder);
  Append16(header_, 0);           // version
  Append32(header_, 0x00020006);  // system: Windows, version 6.2
  header_.append(16, '\0');       // class
}

std::optional<PropertySet> PropertySet::Parse(std::string_view stream) {
  if (stream.size() < kHeaderSize + 4 || Get16(stream, 0) != kByteOrder) return std::nullopt;
  const std::uint32_t sections = Get32(stream, kHeaderSize);
  if (sections == 0 || sections > 16 ||
      kHeaderSize + 4 + sections * kSectionEntrySize > stream.size())
    return std::nullopt;
  PropertySet set(FormatId{});
  set.header_ = std::string(stream.substr(0, kHeaderSize));
  for (std::uint32_t s = 0; s < sections; ++s) {
    const std::size_t entry = kHeaderSize + 4 + s * kSectionEntrySize;
    FormatId format{};
    std::copy_n(stream.begin() + static_cast<std::ptrdiff_t>(entry), 16, format.begin());
    const std::size_t at = Get32(stream, entry + 16);
    if (at + 8 > stream.size()) return std::nullopt;
    const std::size_t size = Get32(stream, at);
    if (size < 8 || size > stream.size() - at) return std::nullopt;
    const std::string_view section = stream.substr(at, size);
    if (s > 0) {
      set.other_sections_.emplace_back(format, std::string(section));
      continue;
    }
    set.format_ = format;
    const std::uint32_t count = Get32(section, 4);
    if (count > kMaxProperties || 8 + count * 8ull > size) return std::nullopt;
    // Each value runs to the next one, or to the end of the section.
    std::map<std::uint32_t, std::uint32_t> by_offset;  // offset -> id
    for (std::uint32_t i = 0; i < count; ++i) {
      const std::uint32_t offset = Get32(section, 8 + i * 8 + 4);
      if (offset < 8 + count * 8 || offset + 4 > size || by_offset.count(offset) != 0)
        return std::nullopt;
      by_offset[offset] = Get32(section, 8 + i * 8);
    }
    for (auto it = by_offset.begin(); it != by_offset.end(); ++it) {
      const auto next = std::next(it);
      const std::uint32_t end =
          next == by_offset.end() ? static_cast<std::uint32_t>(size) : next->first;
      set.properties_.push_back(
          {it->second, std::string(section.substr(it->first, end - it->first))});
    }
  }
  return set;
}

std::string PropertySet::Serialize() const {
  std::string section;
  Append32(section, 0);  // size, filled in below
  Append32(section, static_cast<std::uint32_t>(properties_.size()));
  std::size_t offset = 8 + properties_.size() * 8;
  for (const Property& p : properties_) {
    Append32(section, p.id);
    Append32(section, static_cast<std::uint32_t>(offset));
    offset += (p.value.size() + 3) / 4 * 4;
  }
  for (const Property& p : properties_) {
    section += p.value;
    Pad4(section);
  }
  const auto size = static_cast<std::uint32_t>(section.size());
  for (int i = 0; i < 4; ++i)
    section[static_cast<std::size_t>(i)] = static_cast<char>((size >> (8 * i)) & 0xFF);

  std::string out = header_;
  const auto sections = static_cast<std::uint32_t>(1 + other_sections_.size());
  Append32(out, sections);
  std::size_t at = kHeaderSize + 4 + sections * kSectionEntrySize;
  const auto entry = [&](const FormatId& format, std::size_t length) {
    out.append(format.begin(), format.end());
    Append32(out, static_cast<std::uint32_t>(at));
    at += (length + 3) / 4 * 4;
  };
  entry(format_, section.size());
  for (const auto& [format, bytes] : other_sections_)
    entry(format, bytes.size());
  out += section;
  for (const auto& [format, bytes] : other_sections_) {
    out += bytes;
    Pad4(out);
  }
  return out;
}

const PropertySet::Property* PropertySet::Find(std::uint32_t id) const {
  const auto it = std::find_if(properties_.begin(), properties_.end(),
                               [id](const Property& p) { return p.id == id; });
  return it == properties_.end() ? nullptr : &*it;
}

std::uint16_t PropertySet::TypeOf(std::uint32_t id) const {
  const Property* p = Find(id);
  return p == nullptr || p->value.size() < 2 ? 0 : Get16(p->value, 0);
}

void PropertySet::Remove(std::uint32_t id) {
  std::erase_if(properties_, [id](const Property& p) { return p.id == id; });
}

void PropertySet::Set(std::uint32_t id, std::string value) {
  for (Property& p : properties_) {
    if (p.id == id) {
      p.value = std::move(value);
      return;
    }
  }
  // In identifier order, as Office writes them.
  const auto at = std::find_if(properties_.begin(), properties_.end(),
                               [id](const Property& p) { return p.id > id; });
  properties_.insert(at, {id, std::move(value)});
}

void PropertySet::SetInt16(std::uint32_t id, std::int16_t value) {
  std::string v = Typed(kTypeInt16);
  Append16(v, static_cast<std::uint16_t>(value));
  Append16(v, 0);
  Set(id, std::move(v));
}

void PropertySet::SetInt32(std::uint32_t id, std::int32_t value) {
  std::string v = Typed(kTypeInt32);
  Append32(v, static_cast<std::uint32_t>(value));
  Set(id, std::move(v));
}

void PropertySet::SetAsciiString(std::uint32_t id, std::string_view ascii) {
  const Property* code_page = Find(kCodePageId);
  const bool utf16 = code_page != nullptr && code_page->value.size() >= 6 &&
                     Get16(code_page->value, 4) == kCodePageUtf16;
  std::string bytes;
  for (char c : ascii) {
    bytes.push_back(c);
    if (utf16) bytes.push_back('\0');
  }
  bytes.append(utf16 ? 2 : 1, '\0');  // the terminating null, counted
  std::string v = Typed(kTypeString);
  Append32(v, static_cast<std::uint32_t>(bytes.size()));
  v += bytes;
  Pad4(v);
  Set(id, std::move(v));
}

void PropertySet::SetFiletime(std::uint32_t id, std::uint64_t filetime) {
  std::string v = Typed(kTypeFiletime);
  Append32(v, static_cast<std::uint32_t>(filetime & 0xFFFFFFFFu));
  Append32(v, static_cast<std::uint32_t>(filetime >> 32));
  Set(id, std::move(v));
}

}  // namespace quorlex::automation::properties
