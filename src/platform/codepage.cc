#include "platform/codepage.h"

#include <iconv.h>

#include <array>
#include <cerrno>
#include <unordered_map>

#include "platform/text.h"

namespace quorlex::platform {
namespace {

// The upper half of Windows-1251 as Unicode, asked of iconv once. A byte
// that iconv cannot map keeps 0 and is written as "?".
const std::array<char32_t, 128>& UpperHalf() {
  static const std::array<char32_t, 128> table = [] {
    std::array<char32_t, 128> t{};
    iconv_t cd = iconv_open("UTF-32LE", "WINDOWS-1251");
    if (cd == reinterpret_cast<iconv_t>(-1)) return t;
    for (std::size_t b = 0; b < 128; ++b) {
      char in = static_cast<char>(0x80 + b);
      unsigned char out[4] = {};
      char* inp = &in;
      auto* outp = reinterpret_cast<char*>(out);
      std::size_t inleft = 1;
      std::size_t outleft = sizeof out;
      if (iconv(cd, &inp, &inleft, &outp, &outleft) != static_cast<std::size_t>(-1)) {
        t[b] = static_cast<char32_t>(out[0]) | (static_cast<char32_t>(out[1]) << 8) |
               (static_cast<char32_t>(out[2]) << 16) | (static_cast<char32_t>(out[3]) << 24);
      }
      iconv(cd, nullptr, nullptr, nullptr, nullptr);
    }
    iconv_close(cd);
    return t;
  }();
  return table;
}

const std::unordered_map<char32_t, char>& Reverse() {
  static const std::unordered_map<char32_t, char> map = [] {
    std::unordered_map<char32_t, char> m;
    const auto& t = UpperHalf();
    for (std::size_t b = 0; b < t.size(); ++b) {
      if (t[b] != 0) m.emplace(t[b], static_cast<char>(0x80 + b));
    }
    return m;
  }();
  return map;
}

}  // namespace

std::string Utf8ToCp1251(std::string_view utf8) {
  std::string out;
  out.reserve(utf8.size());
  const auto& reverse = Reverse();
  std::size_t i = 0;
  while (i < utf8.size()) {
    const char32_t c = platform::DecodeNext(utf8, i);
    if (c < 0x80) {
      out.push_back(static_cast<char>(c));
      continue;
    }
    const auto it = reverse.find(c);
    out.push_back(it != reverse.end() ? it->second : '?');
  }
  return out;
}

std::string Cp1251ToUtf8(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size() * 2);
  const auto& t = UpperHalf();
  for (const char ch : bytes) {
    const auto b = static_cast<unsigned char>(ch);
    if (b < 0x80) {
      out.push_back(ch);
    } else {
      const char32_t c = t[b - 0x80];
      platform::AppendUtf8(out, c != 0 ? c : U'?');
    }
  }
  return out;
}

}  // namespace quorlex::platform
