#include "automation/document/sprm.h"

#include "platform/little_endian.h"

namespace quorlex::automation::document {

using platform::Append16;
using platform::Append32;
using platform::Get16;
using platform::Get32;

std::uint8_t Sprm::Byte() const {
  return operand.empty() ? 0 : static_cast<std::uint8_t>(operand[0]);
}

std::uint16_t Sprm::Word() const {
  if (operand.size() < 2) return Byte();
  return Get16(operand, 0);
}

std::uint32_t Sprm::Long() const {
  if (operand.size() < 4) return Word();
  return Get32(operand, 0);
}

std::optional<Sprm> SprmIterator::Next() {
  if (pos_ + 2 > list_.size()) return std::nullopt;
  Sprm s;
  s.code = Get16(list_, pos_);
  s.offset = pos_;
  std::size_t at = pos_ + 2;
  std::size_t length = 0;
  switch (s.code >> 13) {  // spra: the operand's size
    case 0:
    case 1: length = 1; break;
    case 2:
    case 4:
    case 5: length = 2; break;
    case 3: length = 4; break;
    case 7: length = 3; break;
    default:  // 6: variable
      if (s.code == sprm::kTDefTable || s.code == 0xD606 /* sprmTDefTable10 */) {
        if (at + 2 > list_.size()) return std::nullopt;
        const std::uint16_t cb = Get16(list_, at);
        at += 2;
        length = cb == 0 ? 0 : cb - 1u;
      } else if (s.code == 0xC615 /* sprmPChgTabs */) {
        if (at + 1 > list_.size()) return std::nullopt;
        length = static_cast<unsigned char>(list_[at]);
        at += 1;
        if (length == 255) {
          // The size byte of a long tab change is not its size: the operand
          // is two counted arrays, deletions (4 bytes each) then additions
          // (3 bytes each).
          if (at + 1 > list_.size()) return std::nullopt;
          const std::size_t del = static_cast<unsigned char>(list_[at]);
          if (at + 1 + del * 4 + 1 > list_.size()) return std::nullopt;
          const std::size_t add = static_cast<unsigned char>(list_[at + 1 + del * 4]);
          length = 1 + del * 4 + 1 + add * 3;
        }
      } else {
        if (at + 1 > list_.size()) return std::nullopt;
        length = static_cast<unsigned char>(list_[at]);
        at += 1;
      }
      break;
  }
  if (at + length > list_.size()) return std::nullopt;
  s.operand = list_.substr(at, length);
  s.size = at + length - pos_;
  pos_ = at + length;
  return s;
}

std::optional<Sprm> FindLast(std::string_view list, std::uint16_t code) {
  std::optional<Sprm> found;
  SprmIterator it(list);
  while (auto s = it.Next()) {
    if (s->code == code) found = s;
  }
  return found;
}

std::string WithoutSprms(std::string_view list, std::initializer_list<std::uint16_t> codes) {
  std::string out;
  SprmIterator it(list);
  std::size_t end = 0;
  while (auto s = it.Next()) {
    bool drop = false;
    for (std::uint16_t code : codes)
      drop = drop || s->code == code;
    if (!drop) out.append(list.substr(s->offset, s->size));
    end = s->offset + s->size;
  }
  out.append(list.substr(end));  // padding after the last whole sprm stays
  return out;
}

void PropertyWriter::Code(std::uint16_t code) { Append16(out_, code); }

PropertyWriter& PropertyWriter::Byte(std::uint16_t code, std::uint8_t value) {
  Code(code);
  out_.push_back(static_cast<char>(value));
  return *this;
}

PropertyWriter& PropertyWriter::Word(std::uint16_t code, std::uint16_t value) {
  Code(code);
  Append16(out_, value);
  return *this;
}

PropertyWriter& PropertyWriter::Long(std::uint16_t code, std::uint32_t value) {
  Code(code);
  Append32(out_, value);
  return *this;
}

PropertyWriter& PropertyWriter::Bytes(std::uint16_t code, std::string_view operand) {
  Code(code);
  if (code == sprm::kTDefTable) {
    Append16(out_, static_cast<std::uint16_t>(operand.size() + 1));
  } else {
    out_.push_back(static_cast<char>(operand.size()));
  }
  out_.append(operand);
  return *this;
}

PropertyWriter& PropertyWriter::Raw(std::string_view list) {
  out_.append(list);
  return *this;
}

}  // namespace quorlex::automation::document
