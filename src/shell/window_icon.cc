#include "shell/window_icon.h"

#include <array>

namespace quorlex::shell {
namespace {

struct Rgb {
  std::uint8_t r, g, b;
};

// The 16-colour palette icons of that size are drawn in.
constexpr std::array<Rgb, 16> kPalette = {{{0, 0, 0},
                                           {128, 0, 0},
                                           {0, 128, 0},
                                           {128, 128, 0},
                                           {0, 0, 128},
                                           {128, 0, 128},
                                           {0, 128, 128},
                                           {192, 192, 192},
                                           {128, 128, 128},
                                           {255, 0, 0},
                                           {0, 255, 0},
                                           {255, 255, 0},
                                           {0, 0, 255},
                                           {255, 0, 255},
                                           {0, 255, 255},
                                           {255, 255, 255}}};
enum Colour {
  kBlack = 0,
  kGreen = 2,
  kNavy = 4,
  kSilver = 7,
  kGrey = 8,
  kYellow = 11,
  kWhite = 15
};

class Canvas {
 public:
  explicit Canvas(int size) : size_(size), pixels_(static_cast<std::size_t>(size * size), 13) {}

  void Fill(int x0, int y0, int x1, int y1, int colour) {
    for (int y = y0; y <= y1; ++y)
      for (int x = x0; x <= x1; ++x)
        Set(x, y, colour);
  }
  void Set(int x, int y, int colour) {
    if (x >= 0 && y >= 0 && x < size_ && y < size_) {
      pixels_[static_cast<std::size_t>(y * size_ + x)] = colour;
    }
  }
  int At(int x, int y) const { return pixels_[static_cast<std::size_t>(y * size_ + x)]; }

 private:
  int size_;
  std::vector<int> pixels_;
};

}  // namespace

std::vector<std::uint8_t> DrawWindowIcon(int size) {
  const int s = size == 16 ? 1 : 2;  // drawn on a 16-pixel grid, doubled for 32
  Canvas c(size);
  c.Fill(0, 0, size - 1, size - 1, kSilver);
  // The sheet with its shadow and frame.
  c.Fill(3 * s, 2 * s, 13 * s - 1, 15 * s - 1, kGrey);
  c.Fill(2 * s, 1 * s, 12 * s - 1, 14 * s - 1, kBlack);
  c.Fill(2 * s + 1, 1 * s + 1, 12 * s - 2, 14 * s - 2, kWhite);
  // A title bar and a table of three columns.
  c.Fill(3 * s, 3 * s, 11 * s - 1, 4 * s - 1, kNavy);
  for (int row = 5; row <= 12; row += 2)
    c.Fill(3 * s, row * s, 11 * s - 1, row * s + s / 2, kGreen);
  for (int col : {6, 9})
    c.Fill(col * s, 5 * s, col * s + s / 2, 12 * s, kGreen);
  // The arrow into the spreadsheet.
  c.Fill(9 * s, 10 * s, 13 * s - 1, 12 * s - 1, kYellow);
  for (int i = 0; i < 3 * s; ++i)
    c.Fill(13 * s + i, 9 * s + i, 13 * s + i, 13 * s - 1 - i, kYellow);
  std::vector<std::uint8_t> rgb;
  rgb.reserve(static_cast<std::size_t>(size * size * 3));
  for (int y = 0; y < size; ++y) {
    for (int x = 0; x < size; ++x) {
      const Rgb& p = kPalette[static_cast<std::size_t>(c.At(x, y))];
      rgb.insert(rgb.end(), {p.r, p.g, p.b});
    }
  }
  return rgb;
}

}  // namespace quorlex::shell
