#pragma once

// The text of one part of a document (main text, headers, footnotes, ...)
// as the word processor itself keeps it: UTF-16 characters, with paragraph
// marks, cell marks and the other special characters in the text, and two
// partitions of it, into runs of one character format and into paragraphs
// of one paragraph format.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace quorlex::automation::document {

// Characters with a meaning of their own.
namespace mark {
inline constexpr char16_t kParagraph = 0x000D;
inline constexpr char16_t kCell = 0x0007;     // cell end and row end
inline constexpr char16_t kSection = 0x000C;  // also a page break inside a paragraph
inline constexpr char16_t kLineBreak = 0x000B;
inline constexpr char16_t kFieldBegin = 0x0013;
inline constexpr char16_t kFieldSeparator = 0x0014;
inline constexpr char16_t kFieldEnd = 0x0015;
}  // namespace mark

// A run of characters sharing one character format.
struct Run {
  std::uint32_t end = 0;     // offset in the story just after its last character
  std::uint32_t chpx = 0;    // id in Document::character_properties
  std::uint32_t origin = 0;  // position of its first character in the file read, or kNew
};

inline constexpr std::uint32_t kNew = 0xFFFFFFFFu;

// A paragraph: its last character is its mark.
struct Paragraph {
  std::uint32_t end = 0;     // offset just after its mark
  std::uint32_t papx = 0;    // id in Document::paragraph_properties
  bool section_end = false;  // its mark ends a section of the main text
};

// One part of the document text (main text, footnotes, headers...) with its runs and paragraphs.
class Story {
 public:
  std::u16string text;
  std::vector<Run> runs;
  std::vector<Paragraph> paragraphs;

  std::uint32_t size() const { return static_cast<std::uint32_t>(text.size()); }
  bool empty() const { return text.empty(); }

  std::uint32_t ParagraphStart(std::size_t index) const {
    return index == 0 ? 0 : paragraphs[index - 1].end;
  }
  // The paragraph holding the character at offset (the last one for the
  // end of the story).
  std::size_t ParagraphAt(std::uint32_t offset) const;
  // The run holding the character at offset.
  std::size_t RunAt(std::uint32_t offset) const;

  // Inserts a whole fragment at a paragraph boundary. Its runs and
  // paragraphs come along, shifted.
  void Insert(std::uint32_t at, const Story& fragment);
  // The same, taking the fragment's storage where it can (a large fragment
  // at the start of a small story is not copied).
  void Insert(std::uint32_t at, Story&& fragment);
  // Removes the text between two paragraph boundaries with its runs and
  // paragraphs; surviving runs keep their origin.
  void Erase(std::uint32_t from, std::uint32_t to);

  // Appends characters in one format, merging with the last run when it has
  // the same format and origin continuity.
  void Append(std::u16string_view chars, std::uint32_t chpx, std::uint32_t origin = kNew);
  // Ends the current paragraph with a mark character in the given formats.
  void EndParagraph(char16_t mark_char, std::uint32_t papx, std::uint32_t mark_chpx,
                    bool section_end = false, std::uint32_t origin = kNew);

  // Checks the invariants (runs and paragraphs partition the text); used by
  // tests and by the writer before it trusts the model.
  bool Consistent() const;

 private:
  void SplitRunAt(std::uint32_t at);
};

}  // namespace quorlex::automation::document
