#include "automation/text_metrics/fonts.h"

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_ADVANCES_H
#include FT_TRUETYPE_TABLES_H

#include <cmath>

#include "platform/error.h"
#include "platform/text.h"

namespace quorlex::automation::text_metrics {
namespace {

constexpr double kEstimatedAdvance = 0.55;
constexpr double kMissingAdvance = 0.6;
constexpr float kNotLoaded = -1;
constexpr std::string_view kFallbackFamily = "Arial";

// Faces that stand in for an Office font with the same advance widths, so
// that fontconfig's match for the Office name is as good as the original.
constexpr std::string_view kCompatibleFamilies[] = {"Liberation Sans", "Liberation Serif",
                                                    "Liberation Mono", "Carlito", "Caladea"};

// The width a fallback font would give a character that the face lacks.
double MissingAdvance(char32_t c) {
  const bool wide = (c >= 0x1100 && c <= 0x115F) || (c >= 0x2E80 && c <= 0xA4CF) ||
                    (c >= 0xAC00 && c <= 0xD7A3) || (c >= 0xF900 && c <= 0xFAFF) ||
                    (c >= 0xFF00 && c <= 0xFF60) || (c >= 0x20000 && c <= 0x3FFFD);
  return wide ? 1.0 : kMissingAdvance;
}

}  // namespace

struct Face::FreeTypeFace {
  FT_Face face = nullptr;
  ~FreeTypeFace() {
    if (face != nullptr) FT_Done_Face(face);
  }
};

Face::Face() { common_.fill(static_cast<float>(kEstimatedAdvance)); }

Face::Face(FT_LibraryRec_* library, const std::string& path, int index)
    : face_(std::make_unique<FreeTypeFace>()) {
  if (FT_New_Face(library, path.c_str(), index, &face_->face) != 0) {
    throw Error(errors::kFormat, "Не удалось прочитать шрифт " + path);
  }
  FT_Face face = face_->face;
  if (face->family_name != nullptr) family_ = face->family_name;
  const double em = face->units_per_EM > 0 ? face->units_per_EM : 2048;
  const auto* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
  if (os2 != nullptr && os2->usWinAscent + os2->usWinDescent > 0) {
    ascent_ = os2->usWinAscent / em;
    descent_ = os2->usWinDescent / em;
  } else if (face->ascender - face->descender > 0) {
    ascent_ = face->ascender / em;
    descent_ = -face->descender / em;
  }
  common_.fill(kNotLoaded);
}

Face::~Face() = default;

double Face::Load(char32_t c) const {
  if (!face_) return c < kCachedRange ? kEstimatedAdvance : MissingAdvance(c);
  FT_Face face = face_->face;
  const FT_UInt glyph = FT_Get_Char_Index(face, c);
  FT_Fixed advance = 0;
  if (glyph == 0 || FT_Get_Advance(face, glyph, FT_LOAD_NO_SCALE, &advance) != 0) {
    return MissingAdvance(c);
  }
  const double em = face->units_per_EM > 0 ? face->units_per_EM : 2048;
  return static_cast<double>(advance) / em;
}

double Face::Advance(char32_t c) const {
  if (c < kCachedRange) {
    float& slot = common_[c];
    if (slot == kNotLoaded) slot = static_cast<float>(Load(c));
    return slot;
  }
  auto it = rare_.find(c);
  if (it == rare_.end()) it = rare_.emplace(c, static_cast<float>(Load(c))).first;
  return it->second;
}

double Face::Width(std::string_view utf8) const {
  double width = 0;
  for (std::size_t i = 0; i < utf8.size();) {
    const char32_t c = platform::DecodeNext(utf8, i);
    if (c != U'\n') width += Advance(c);
  }
  return width;
}

int Face::Pixels(char32_t c, int ppem) const {
  return static_cast<int>(std::lround(Advance(c) * ppem));
}

int Face::Pixels(std::string_view utf8, int ppem) const {
  int pixels = 0;
  for (std::size_t i = 0; i < utf8.size();) {
    const char32_t c = platform::DecodeNext(utf8, i);
    if (c != U'\n') pixels += Pixels(c, ppem);
  }
  return pixels;
}

struct Fonts::Library {
  FT_Library freetype = nullptr;
  FcConfig* config = nullptr;
  ~Library() {
    if (config != nullptr) FcConfigDestroy(config);
    if (freetype != nullptr) FT_Done_FreeType(freetype);
  }
};

Fonts& Fonts::Shared() {
  static Fonts fonts;
  return fonts;
}

Fonts::Fonts() : library_(std::make_unique<Library>()) {
  if (FT_Init_FreeType(&library_->freetype) != 0) library_->freetype = nullptr;
  // A configuration of our own: the process never shares fontconfig's
  // global state with anything else.
  library_->config = FcInitLoadConfigAndFonts();
}

Fonts::~Fonts() = default;

std::unique_ptr<Face> Fonts::Locate(const std::string& family, bool bold, bool italic) {
  if (library_->freetype == nullptr || library_->config == nullptr) return nullptr;
  FcPattern* pattern = FcPatternCreate();
  if (pattern == nullptr) return nullptr;
  FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(family.c_str()));
  FcPatternAddInteger(pattern, FC_WEIGHT, bold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
  FcPatternAddInteger(pattern, FC_SLANT, italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
  FcPatternAddBool(pattern, FC_SCALABLE, FcTrue);
  FcConfigSubstitute(library_->config, pattern, FcMatchPattern);
  FcDefaultSubstitute(pattern);
  FcResult result = FcResultNoMatch;
  FcPattern* match = FcFontMatch(library_->config, pattern, &result);
  FcPatternDestroy(pattern);
  if (match == nullptr) return nullptr;
  std::unique_ptr<Face> face;
  FcChar8* file = nullptr;
  FcChar8* matched_family = nullptr;
  int index = 0;
  if (FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch &&
      FcPatternGetString(match, FC_FAMILY, 0, &matched_family) == FcResultMatch) {
    FcPatternGetInteger(match, FC_INDEX, 0, &index);
    const std::string_view found(reinterpret_cast<const char*>(matched_family));
    bool usable = platform::EqualsIgnoringAsciiCase(found, family);
    for (std::string_view compatible : kCompatibleFamilies) {
      usable = usable || found == compatible;
    }
    if (usable) {
      try {
        face =
            std::make_unique<Face>(library_->freetype, reinterpret_cast<const char*>(file), index);
      } catch (const Error&) {
        face.reset();
      }
    }
  }
  FcPatternDestroy(match);
  return face;
}

const Face& Fonts::Find(std::string_view family, bool bold, bool italic) {
  std::string key = platform::LowerAscii(family);
  key += bold ? "|b" : "|";
  key += italic ? "i" : "";
  if (auto it = index_.find(key); it != index_.end()) return *it->second;
  const Face* face = nullptr;
  if (!family.empty()) {
    if (std::unique_ptr<Face> found = Locate(std::string(family), bold, italic)) {
      face = owned_.emplace_back(std::move(found)).get();
    }
  }
  if (face == nullptr && !platform::EqualsIgnoringAsciiCase(family, kFallbackFamily)) {
    face = &Find(kFallbackFamily, bold, italic);
  }
  if (face == nullptr) face = owned_.emplace_back(std::make_unique<Face>()).get();
  index_.emplace(std::move(key), face);
  return *face;
}

}  // namespace quorlex::automation::text_metrics
