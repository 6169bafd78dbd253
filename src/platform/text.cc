#include "platform/text.h"

#include <locale.h>
#include <wctype.h>

namespace quorlex::platform {
namespace {

// glibc's C.UTF-8 locale carries the full Unicode case tables; using it
// explicitly keeps the mapping independent of the user's locale.
locale_t Utf8Locale() {
  static const locale_t locale = [] {
    locale_t l = newlocale(LC_CTYPE_MASK, "C.UTF-8", nullptr);
    return l != nullptr ? l : newlocale(LC_CTYPE_MASK, "C", nullptr);
  }();
  return locale;
}

template <typename Map>
std::string MapCase(std::string_view s, Map map) {
  std::string out;
  out.reserve(s.size());
  std::size_t i = 0;
  while (i < s.size()) {
    const auto byte = static_cast<unsigned char>(s[i]);
    if (byte < 0x80) {
      out.push_back(static_cast<char>(map(static_cast<char32_t>(byte))));
      ++i;
      continue;
    }
    const std::size_t start = i;
    const char32_t c = DecodeNext(s, i);
    if (c == 0xFFFD && i - start == 1) {
      out.append(s.substr(start, 1));  // keep undecodable bytes as they are
    } else {
      AppendUtf8(out, map(c));
    }
  }
  return out;
}

std::size_t ByteOffset(std::string_view s, std::size_t chars) {
  std::size_t i = 0;
  for (std::size_t n = 0; n < chars && i < s.size(); ++n)
    DecodeNext(s, i);
  return i;
}

}  // namespace

std::string Trim(std::string_view s) {
  const auto first = s.find_first_not_of(' ');
  if (first == std::string_view::npos) return {};
  const auto last = s.find_last_not_of(' ');
  return std::string(s.substr(first, last - first + 1));
}

std::string Upper(std::string_view s) {
  return MapCase(s, [](char32_t c) {
    return static_cast<char32_t>(towupper_l(static_cast<wint_t>(c), Utf8Locale()));
  });
}

std::string Lower(std::string_view s) {
  return MapCase(s, [](char32_t c) {
    return static_cast<char32_t>(towlower_l(static_cast<wint_t>(c), Utf8Locale()));
  });
}

std::size_t Length(std::string_view s) {
  std::size_t n = 0;
  for (std::size_t i = 0; i < s.size(); ++n)
    DecodeNext(s, i);
  return n;
}

std::string Left(std::string_view s, std::size_t n) {
  return std::string(s.substr(0, ByteOffset(s, n)));
}

std::string MidFrom(std::string_view s, std::size_t position) {
  if (position <= 1) return std::string(s);
  return std::string(s.substr(ByteOffset(s, position - 1)));
}

std::size_t Find(std::string_view haystack, std::string_view needle) {
  const auto at = haystack.find(needle);
  if (at == std::string_view::npos) return 0;
  return Length(haystack.substr(0, at)) + 1;
}

bool Contains(std::string_view haystack, std::string_view needle) {
  return haystack.find(needle) != std::string_view::npos;
}

bool StartsWith(std::string_view s, std::string_view prefix) {
  return s.substr(0, prefix.size()) == prefix;
}

bool EndsWith(std::string_view s, std::string_view suffix) {
  return s.size() >= suffix.size() && s.substr(s.size() - suffix.size()) == suffix;
}

std::string Spaces(std::size_t n) { return std::string(n, ' '); }

char32_t DecodeNext(std::string_view s, std::size_t& i) {
  const auto b0 = static_cast<unsigned char>(s[i]);
  if (b0 < 0x80) {
    ++i;
    return b0;
  }
  int extra = 0;
  char32_t c = 0;
  char32_t min = 0;
  if ((b0 & 0xE0) == 0xC0) {
    extra = 1, c = b0 & 0x1Fu, min = 0x80;
  } else if ((b0 & 0xF0) == 0xE0) {
    extra = 2, c = b0 & 0x0Fu, min = 0x800;
  } else if ((b0 & 0xF8) == 0xF0) {
    extra = 3, c = b0 & 0x07u, min = 0x10000;
  } else {
    ++i;
    return 0xFFFD;
  }
  if (i + static_cast<std::size_t>(extra) >= s.size()) {
    ++i;
    return 0xFFFD;
  }
  for (int k = 1; k <= extra; ++k) {
    const auto b = static_cast<unsigned char>(s[i + static_cast<std::size_t>(k)]);
    if ((b & 0xC0) != 0x80) {
      ++i;
      return 0xFFFD;
    }
    c = (c << 6) | (b & 0x3Fu);
  }
  if (c < min || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) {
    ++i;
    return 0xFFFD;
  }
  i += static_cast<std::size_t>(extra) + 1;
  return c;
}

void AppendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out.push_back(static_cast<char>(c));
  } else if (c < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (c >> 6)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  } else if (c < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (c >> 12)));
    out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (c >> 18)));
    out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  }
}

bool IsValidUtf8(std::string_view s) {
  std::size_t i = 0;
  while (i < s.size()) {
    const std::size_t start = i;
    if (DecodeNext(s, i) == 0xFFFD) {
      // U+FFFD itself is three bytes (EF BF BD); an invalid sequence is one.
      if (i - start != 3) return false;
    }
  }
  return true;
}

std::string Thousands(std::uint64_t n) {
  const std::string digits = std::to_string(n);
  std::string out;
  for (std::size_t i = 0; i < digits.size(); ++i) {
    if (i > 0 && (digits.size() - i) % 3 == 0) out += ' ';
    out += digits[i];
  }
  return out;
}

}  // namespace quorlex::platform
