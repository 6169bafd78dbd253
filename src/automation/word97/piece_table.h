#pragma once

// The piece table: where each stretch of the text lies in the WordDocument
// stream, whether it is stored as 8-bit (Windows-1252) or UTF-16, and the
// properties a fast save laid over it.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace quorlex::automation::word97 {

// One piece of the text: its characters and where they lie in the stream.
struct Piece {
  std::uint32_t cp_start = 0;
  std::uint32_t cp_end = 0;
  std::uint32_t fc = 0;         // byte offset of its first character
  bool compressed = false;      // one byte a character
  std::string character_sprms;  // properties laid over its characters
  std::string paragraph_sprms;  // ... and over the paragraphs whose mark it holds

  std::uint32_t FcOf(std::uint32_t cp) const {
    return fc + (cp - cp_start) * (compressed ? 1u : 2u);
  }
  std::uint32_t FcEnd() const { return FcOf(cp_end); }
};

// Reads the Clx structure of the table stream.
std::vector<Piece> ReadPieceTable(std::string_view clx);

// The characters of the pieces, decoded to UTF-16.
std::u16string ReadPieceText(const std::vector<Piece>& pieces, std::string_view word_document);

// The Clx of a file whose text is one UTF-16 piece at fc.
std::string WritePieceTable(std::uint32_t cp_count, std::uint32_t fc);

}  // namespace quorlex::automation::word97
