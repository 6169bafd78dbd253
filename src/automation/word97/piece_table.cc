#include "automation/word97/piece_table.h"

#include "automation/document/sprm.h"
#include "automation/word97/byte_reader.h"
#include "automation/word97/word97_error.h"
#include "platform/little_endian.h"

namespace quorlex::automation::word97 {

using platform::Append16;
using platform::Append32;

namespace {

namespace sprm = document::sprm;

// The single-sprm property modifiers of a piece name their sprm by a 7-bit
// index. The table lists those a fast save uses; an index not listed has
// no effect.
std::uint16_t SprmOfIndex(unsigned index) {
  switch (index) {
    case 0x04: return 0x2602;  // sprmPIncLvl
    case 0x05: return 0x2403;  // sprmPJc80
    case 0x07: return 0x2405;  // sprmPFKeep
    case 0x08: return 0x2406;  // sprmPFKeepFollow
    case 0x09: return 0x2407;  // sprmPFPageBreakBefore
    case 0x0C: return 0x260A;  // sprmPIlvl
    case 0x0E: return 0x240C;  // sprmPFNoLineNumb
    case 0x18: return 0x2416;  // sprmPFInTable
    case 0x19: return 0x2417;  // sprmPFTtp
    case 0x1D: return 0x261B;  // sprmPPc
    case 0x25: return 0x2423;  // sprmPWr
    case 0x2C: return 0x242A;  // sprmPFNoAutoHyph
    case 0x32: return 0x2430;  // sprmPFLocked
    case 0x33: return 0x2431;  // sprmPFWidowControl
    case 0x35: return 0x2433;  // sprmPFKinsoku
    case 0x36: return 0x2434;  // sprmPFWordWrap
    case 0x37: return 0x2435;  // sprmPFOverflowPunct
    case 0x38: return 0x2436;  // sprmPFTopLinePunct
    case 0x39: return 0x2437;  // sprmPFAutoSpaceDE
    case 0x3A: return 0x2438;  // sprmPFAutoSpaceDN
    case 0x41: return 0x0800;  // sprmCFRMarkDel
    case 0x42: return 0x0801;  // sprmCFRMarkIns
    case 0x43: return 0x0802;  // sprmCFFldVanish
    case 0x47: return 0x0806;  // sprmCFData
    case 0x4B: return 0x080A;  // sprmCFOle2
    case 0x4D: return 0x2A0C;  // sprmCHighlight
    case 0x4E: return 0x0858;  // sprmCFEmboss
    case 0x4F: return 0x2859;  // sprmCSfxText
    case 0x50: return 0x0811;  // sprmCFWebHidden
    case 0x51: return 0x0818;  // sprmCFSpecVanish
    case 0x55: return 0x0835;  // sprmCFBold
    case 0x56: return 0x0836;  // sprmCFItalic
    case 0x57: return 0x0837;  // sprmCFStrike
    case 0x58: return 0x0838;  // sprmCFOutline
    case 0x59: return 0x0839;  // sprmCFShadow
    case 0x5A: return 0x083A;  // sprmCFSmallCaps
    case 0x5B: return 0x083B;  // sprmCFCaps
    case 0x5C: return 0x083C;  // sprmCFVanish
    case 0x5E: return 0x2A3E;  // sprmCKul
    case 0x62: return 0x2A42;  // sprmCIco
    case 0x68: return 0x2A48;  // sprmCIss
    default: return 0;
  }
}

void AddModifier(Piece& piece, std::uint16_t code, std::string_view operand) {
  std::string prl;
  platform::Append16(prl, code);
  prl.append(operand);
  const auto group = document::GroupOf(code);
  if (group == document::SprmGroup::kCharacter) {
    piece.character_sprms += prl;
  } else if (group == document::SprmGroup::kParagraph || group == document::SprmGroup::kTable) {
    piece.paragraph_sprms += prl;
  }
}

}  // namespace

std::vector<Piece> ReadPieceTable(std::string_view clx) {
  ByteReader in(clx, "таблица фрагментов текста");
  std::vector<std::string_view> prcs;
  std::size_t at = 0;
  while (in.U8(at) == 0x01) {
    const auto cb = static_cast<std::int16_t>(in.U16(at + 1));
    if (cb < 0) ThrowDamaged("таблица фрагментов текста");
    prcs.push_back(in.Slice(at + 3, static_cast<std::size_t>(cb)));
    at += 3 + static_cast<std::size_t>(cb);
  }
  if (in.U8(at) != 0x02) ThrowDamaged("таблица фрагментов текста");
  const std::uint32_t lcb = in.U32(at + 1);
  at += 5;
  in.Need(at, lcb);
  if (lcb < 4 || (lcb - 4) % 12 != 0) ThrowDamaged("таблица фрагментов текста");
  const std::size_t count = (lcb - 4) / 12;
  const std::size_t pcd_at = at + (count + 1) * 4;
  std::vector<Piece> pieces;
  pieces.reserve(count);
  for (std::size_t i = 0; i < count; ++i) {
    Piece piece;
    piece.cp_start = in.U32(at + i * 4);
    piece.cp_end = in.U32(at + (i + 1) * 4);
    if (piece.cp_end < piece.cp_start || (i == 0 && piece.cp_start != 0) ||
        (!pieces.empty() && piece.cp_start != pieces.back().cp_end)) {
      ThrowDamaged("таблица фрагментов текста");
    }
    const std::uint32_t fc = in.U32(pcd_at + i * 8 + 2);
    piece.compressed = (fc & 0x40000000u) != 0;
    piece.fc = fc & 0x3FFFFFFFu;
    if (piece.compressed) piece.fc /= 2;
    const std::uint16_t prm = in.U16(pcd_at + i * 8 + 6);
    if (prm & 1) {
      const std::size_t index = prm >> 1;
      if (index < prcs.size()) {
        document::SprmIterator it(prcs[index]);
        while (auto s = it.Next()) {
          AddModifier(piece, s->code, prcs[index].substr(s->offset + 2, s->size - 2));
        }
      }
    } else if (const std::uint16_t code = SprmOfIndex((prm >> 1) & 0x7F); code != 0) {
      const auto value = static_cast<char>(prm >> 8);
      std::string operand(1, value);
      // Operands wider than a byte get the value in their low byte.
      const unsigned spra = code >> 13;
      if (spra == 2 || spra == 4 || spra == 5) operand.push_back('\0');
      AddModifier(piece, code, operand);
    }
    if (piece.cp_end > piece.cp_start)
      pieces.push_back(std::move(piece));
    else if (!pieces.empty())
      pieces.back().cp_end = piece.cp_end;
  }
  return pieces;
}

std::u16string ReadPieceText(const std::vector<Piece>& pieces, std::string_view word_document) {
  static constexpr char16_t kCp1252High[32] = {
      0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
      0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
      0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};
  ByteReader in(word_document, "текст документа");
  std::u16string text;
  std::size_t total = 0;
  for (const Piece& p : pieces)
    total += p.cp_end - p.cp_start;
  // A file cannot hold more characters than bytes.
  if (total > word_document.size()) ThrowDamaged("текст документа длиннее потока");
  text.reserve(total);
  for (const Piece& p : pieces) {
    const std::uint32_t n = p.cp_end - p.cp_start;
    if (p.compressed) {
      const std::string_view bytes = in.Slice(p.fc, n);
      for (char b : bytes) {
        const auto c = static_cast<unsigned char>(b);
        text.push_back(c >= 0x80 && c < 0xA0 ? kCp1252High[c - 0x80] : static_cast<char16_t>(c));
      }
    } else {
      const std::string_view bytes = in.Slice(p.fc, std::size_t{n} * 2);
      for (std::size_t i = 0; i < n; ++i) {
        text.push_back(static_cast<char16_t>(platform::Get16(bytes, 2 * i)));
      }
    }
  }
  return text;
}

std::string WritePieceTable(std::uint32_t cp_count, std::uint32_t fc) {
  std::string clx;
  clx.push_back('\x02');
  Append32(clx, 4 * 2 + 8);
  Append32(clx, 0);
  Append32(clx, cp_count);
  Append16(clx, 0);   // no flags
  Append32(clx, fc);  // UTF-16: the compression bit stays clear
  Append16(clx, 0);   // no property modifier
  return clx;
}

}  // namespace quorlex::automation::word97
