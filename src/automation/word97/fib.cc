#include "automation/word97/fib.h"

#include "automation/word97/byte_reader.h"
#include "automation/word97/word97_error.h"
#include "platform/little_endian.h"

namespace quorlex::automation::word97 {

using platform::Put16;
using platform::Put32;

namespace {

constexpr std::uint16_t kWordIdent = 0xA5EC;
constexpr std::uint16_t kWord97Version = 0x00C1;
constexpr std::size_t kBaseSize = 32;
constexpr std::size_t kPairsIn97 = 0x5D;

}  // namespace

Fib Fib::Parse(std::string_view word_document) {
  ByteReader in(word_document, "заголовок документа");
  if (word_document.size() < kBaseSize) {
    throw ReadError(ReadFailure::kNotWord, "не является документом Word 97-2003");
  }
  const std::uint16_t ident = in.U16(0);
  const std::uint16_t version = in.U16(2);
  if (version < kWord97Version) {
    // Word 6.0 writes 101, Word 95 104; Word 2 and older have their own
    // identifiers but are just as unreadable here.
    if (ident == 0xA5DC || ident == kWordIdent || (version >= 101 && version <= 105)) {
      throw ReadError(ReadFailure::kOldVersion,
                      "сохранен в формате Word 6.0/95, который не поддерживается");
    }
    throw ReadError(ReadFailure::kOldVersion,
                    "сохранен в формате ранней версии Word, который не поддерживается");
  }
  if (ident != kWordIdent) {
    throw ReadError(ReadFailure::kNotWord, "не является документом Word 97-2003");
  }
  const std::uint16_t flags = in.U16(10);
  if ((flags & fib_flag::kEncrypted) != 0 || (flags & fib_flag::kObfuscated) != 0) {
    throw ReadError(ReadFailure::kEncrypted, "зашифрован");
  }

  Fib fib;
  std::size_t at = kBaseSize;
  const std::uint16_t csw = in.U16(at);
  at += 2 + csw * 2u;
  const std::uint16_t cslw = in.U16(at);
  fib.lw_at_ = at + 2;
  if (cslw < 22) ThrowDamaged("заголовок документа короче положенного");
  at = fib.lw_at_ + cslw * 4u;
  const std::uint16_t pairs = in.U16(at);
  if (pairs < kPairsIn97) ThrowDamaged("заголовок документа короче положенного");
  fib.pairs_at_ = at + 2;
  fib.pair_count_ = pairs;
  at = fib.pairs_at_ + pairs * 8u;
  const std::uint16_t csw_new = in.U16(at);
  at += 2 + csw_new * 2u;
  in.Need(0, at);
  fib.raw_.assign(word_document.substr(0, at));
  for (std::size_t part = 0; part < kPartCount; ++part) {
    if (fib.PartLength(part) < 0) ThrowDamaged("отрицательная длина текста в заголовке");
  }
  return fib;
}

std::uint16_t Fib::Version() const { return ByteReader(raw_, "").U16(2); }
std::uint16_t Fib::Flags() const { return ByteReader(raw_, "").U16(10); }

std::uint32_t Fib::Offset(std::size_t index) const {
  if (index >= pair_count_) return 0;
  return ByteReader(raw_, "").U32(pairs_at_ + index * 8);
}

std::uint32_t Fib::Size(std::size_t index) const {
  if (index >= pair_count_) return 0;
  return ByteReader(raw_, "").U32(pairs_at_ + index * 8 + 4);
}

void Fib::SetPair(std::size_t index, std::uint32_t offset, std::uint32_t size) {
  if (index >= pair_count_) return;
  Put32(raw_, pairs_at_ + index * 8, offset);
  Put32(raw_, pairs_at_ + index * 8 + 4, size);
}

// The 32-bit values: cbMac, two reserved, then ccpText, ccpFtn, ccpHdd,
// ccpMcr, ccpAtn, ccpEdn, ccpTxbx, ccpHdrTxbx.
std::int32_t Fib::PartLength(std::size_t part) const {
  return ByteReader(raw_, "").I32(lw_at_ + (3 + part) * 4);
}

void Fib::SetPartLength(std::size_t part, std::int32_t length) {
  Put32(raw_, lw_at_ + (3 + part) * 4, static_cast<std::uint32_t>(length));
}

void Fib::SetFlags(std::uint16_t flags) { Put16(raw_, 10, flags); }

void Fib::SetTextBounds(std::uint32_t first, std::uint32_t limit) {
  Put32(raw_, 24, first);
  Put32(raw_, 28, limit);
}

void Fib::SetStreamLength(std::uint32_t length) { Put32(raw_, lw_at_, length); }

// After the text lengths: pnFbpChpFirst, pnChpFirst, cpnBteChp,
// pnFbpPapFirst, pnPapFirst, cpnBtePap, then the same for list levels.
void Fib::SetPropertyPages(std::uint32_t chpx_first, std::uint32_t chpx_count,
                           std::uint32_t papx_first, std::uint32_t papx_count) {
  Put32(raw_, lw_at_ + 12 * 4, chpx_first);
  Put32(raw_, lw_at_ + 13 * 4, chpx_count);
  Put32(raw_, lw_at_ + 15 * 4, papx_first);
  Put32(raw_, lw_at_ + 16 * 4, papx_count);
  Put32(raw_, lw_at_ + 18 * 4, 0);
  Put32(raw_, lw_at_ + 19 * 4, 0);
}

}  // namespace quorlex::automation::word97
