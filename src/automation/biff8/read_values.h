#pragma once

// Values as BIFF8 stores them inside records: strings (which may run on
// into CONTINUE records), RK numbers and doubles.

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "platform/error.h"

namespace quorlex::automation::biff8 {

// A workbook stream that does not hold together. The detail says what is
// wrong in the format's own terms, for whoever examines the file; the
// reader of a whole file names the file in its message.
class DamagedWorkbook : public Error {
 public:
  explicit DamagedWorkbook(const std::string& detail)
      : Error(errors::kFormat, "Книга Excel повреждена (" + detail + ")"), detail_(detail) {}
  const std::string& Detail() const { return detail_; }

 private:
  std::string detail_;
};

// Throws DamagedWorkbook with what is wrong.
[[noreturn]] void Damaged(const std::string& what);

// Reads a string or bytes that may run on into CONTINUE records; each
// CONTINUE that resumes characters starts with a fresh option byte.
class ContinuedBytes {
 public:
  void Add(const std::vector<std::uint8_t>* data) { parts_.push_back(data); }
  bool AtEnd() const { return part_ >= parts_.size(); }

  std::uint8_t Byte();
  std::uint16_t U16();
  std::uint32_t U32();
  void SkipBytes(std::size_t n);
  // cch characters, 8- or 16-bit; a boundary brings a new option byte.
  std::u16string Chars(std::size_t cch, bool wide);
  // An XLUnicodeRichExtendedString: its text and formatting runs (the
  // phonetic data is skipped).
  std::pair<std::string, std::string> RichString();

 private:
  void Skip();
  std::vector<const std::vector<std::uint8_t>*> parts_;
  std::size_t part_ = 0;
  std::size_t at_ = 0;
};

// XLUnicodeString (16-bit count) or ShortXLUnicodeString (8-bit count) at `at`.

// XLUnicodeString (16-bit count) or ShortXLUnicodeString (8-bit count) at
// `at`; *end, when given, receives the offset after it (runs and phonetic
// data included).
std::string ReadUnicodeString(const std::vector<std::uint8_t>& d, std::size_t at, bool short_count,
                              std::size_t* end = nullptr);

double DecodeRk(std::uint32_t rk);
double DecodeDouble(const std::vector<std::uint8_t>& d, std::size_t at);

}  // namespace quorlex::automation::biff8
