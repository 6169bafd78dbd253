#pragma once

// Text measured with the metrics of real fonts. Reports name Office fonts
// (Arial, Times New Roman, Courier New, Calibri, Cambria); fontconfig finds
// the faces installed for them (Liberation, Carlito and Caladea have the
// same advance widths) and FreeType reads their metrics. Advance widths are
// cached per face, so that measuring every cell of a long page costs a
// table look-up a character.

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

struct FT_LibraryRec_;

namespace quorlex::automation::text_metrics {

// One face's horizontal and vertical metrics, in em (fractions of the font
// size).
class Face {
 public:
  // The built-in estimate, for where no font file can be found: Arial's
  // line metrics and 0.55 em a character.
  Face();
  // A face of a font file; throws quorlex::Error when FreeType cannot read
  // it.
  Face(FT_LibraryRec_* library, const std::string& path, int index);
  ~Face();
  Face(const Face&) = delete;
  Face& operator=(const Face&) = delete;

  // Advance width of a character. A character the face lacks takes the
  // width a fallback font would give it: 0.6 em, a full em for wide East
  // Asian characters.
  double Advance(char32_t c) const;

  // Width of UTF-8 text in em, line breaks ignored.
  double Width(std::string_view utf8) const;

  // Width in whole pixels at `ppem` pixels to the em, each advance rounded
  // on its own, as Windows lays out text on screen.
  int Pixels(std::string_view utf8, int ppem) const;
  int Pixels(char32_t c, int ppem) const;

  // Distance above and below the baseline that Windows reserves for a line
  // (the OS/2 table's winAscent and winDescent).
  double Ascent() const { return ascent_; }
  double Descent() const { return descent_; }

  // The family of the file measured ("Liberation Sans" for Arial), or
  // empty for the built-in estimate.
  const std::string& Family() const { return family_; }

 private:
  double Load(char32_t c) const;

  struct FreeTypeFace;
  std::unique_ptr<FreeTypeFace> face_;
  std::string family_;
  double ascent_ = 0.905;
  double descent_ = 0.212;
  // Latin, Greek and Cyrillic: nearly every character of a report.
  static constexpr char32_t kCachedRange = 0x500;
  mutable std::array<float, kCachedRange> common_;
  mutable std::unordered_map<char32_t, float> rare_;
};

// The faces of the process, found once per family and style.
class Fonts {
 public:
  // The process's one set, created on first use. Not for use from several
  // threads at once.
  static Fonts& Shared();

  Fonts();
  ~Fonts();
  Fonts(const Fonts&) = delete;
  Fonts& operator=(const Fonts&) = delete;

  // The face for a family ("Arial", "Times New Roman", ...; compared without
  // regard to case). A family that no installed font provides under its own
  // name or a metric-compatible one is measured as Arial; an empty family
  // too. Never fails: without any font file the built-in estimate answers.
  const Face& Find(std::string_view family, bool bold, bool italic);

 private:
  std::unique_ptr<Face> Locate(const std::string& family, bool bold, bool italic);

  struct Library;
  std::unique_ptr<Library> library_;
  std::vector<std::unique_ptr<Face>> owned_;
  std::unordered_map<std::string, const Face*> index_;
};

}  // namespace quorlex::automation::text_metrics
