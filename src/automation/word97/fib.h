#pragma once

// The file information block at the start of the WordDocument stream: the
// version and flags of the file, the text lengths of its parts and the
// offset and size of every other structure.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace quorlex::automation::word97 {

// Positions of the structures in the table of offset/size pairs, named as
// the format's documentation names their fc/lcb fields (FibRgFcLcb97 and
// the later extensions).
namespace fib_index {
inline constexpr std::size_t kStshfOrig = 0;
inline constexpr std::size_t kStshf = 1;
inline constexpr std::size_t kPlcffndRef = 2;
inline constexpr std::size_t kPlcffndTxt = 3;
inline constexpr std::size_t kPlcfandRef = 4;
inline constexpr std::size_t kPlcfandTxt = 5;
inline constexpr std::size_t kPlcfSed = 6;
inline constexpr std::size_t kSttbfGlsy = 9;
inline constexpr std::size_t kPlcfGlsy = 10;
inline constexpr std::size_t kPlcfHdd = 11;
inline constexpr std::size_t kPlcfBteChpx = 12;
inline constexpr std::size_t kPlcfBtePapx = 13;
inline constexpr std::size_t kSttbfFfn = 15;
inline constexpr std::size_t kPlcfFldMom = 16;
inline constexpr std::size_t kPlcfFldHdr = 17;
inline constexpr std::size_t kPlcfFldFtn = 18;
inline constexpr std::size_t kPlcfFldAtn = 19;
inline constexpr std::size_t kPlcfFldMcr = 20;
inline constexpr std::size_t kSttbfBkmk = 21;
inline constexpr std::size_t kPlcfBkf = 22;
inline constexpr std::size_t kPlcfBkl = 23;
inline constexpr std::size_t kCmds = 24;
inline constexpr std::size_t kSttbfMcr = 26;
inline constexpr std::size_t kPrDrvr = 27;
inline constexpr std::size_t kPrEnvPort = 28;
inline constexpr std::size_t kPrEnvLand = 29;
inline constexpr std::size_t kWss = 30;
inline constexpr std::size_t kDop = 31;
inline constexpr std::size_t kSttbfAssoc = 32;
inline constexpr std::size_t kClx = 33;
inline constexpr std::size_t kAutosaveSource = 35;
inline constexpr std::size_t kGrpXstAtnOwners = 36;
inline constexpr std::size_t kSttbfAtnBkmk = 37;
inline constexpr std::size_t kPlcSpaMom = 40;
inline constexpr std::size_t kPlcSpaHdr = 41;
inline constexpr std::size_t kPlcfAtnBkf = 42;
inline constexpr std::size_t kPlcfAtnBkl = 43;
inline constexpr std::size_t kPms = 44;
inline constexpr std::size_t kFormFldSttbs = 45;
inline constexpr std::size_t kPlcfendRef = 46;
inline constexpr std::size_t kPlcfendTxt = 47;
inline constexpr std::size_t kPlcfFldEdn = 48;
inline constexpr std::size_t kDggInfo = 50;
inline constexpr std::size_t kSttbfRMark = 51;
inline constexpr std::size_t kSttbCaption = 52;
inline constexpr std::size_t kSttbAutoCaption = 53;
inline constexpr std::size_t kPlcftxbxTxt = 56;
inline constexpr std::size_t kPlcfFldTxbx = 57;
inline constexpr std::size_t kPlcfHdrtxbxTxt = 58;
inline constexpr std::size_t kPlcffldHdrTxbx = 59;
inline constexpr std::size_t kStwUser = 60;
inline constexpr std::size_t kSttbTtmbd = 61;
inline constexpr std::size_t kCookieData = 62;
inline constexpr std::size_t kSttbfIntlFld = 69;
inline constexpr std::size_t kRouteSlip = 70;
inline constexpr std::size_t kSttbSavedBy = 71;
inline constexpr std::size_t kSttbFnm = 72;
inline constexpr std::size_t kPlfLst = 73;
inline constexpr std::size_t kPlfLfo = 74;
inline constexpr std::size_t kPlcfTxbxBkd = 75;
inline constexpr std::size_t kPlcfTxbxHdrBkd = 76;
inline constexpr std::size_t kSttbGlsyStyle = 83;
inline constexpr std::size_t kPlgosl = 84;
inline constexpr std::size_t kModifiedTime = 87;  // a time stamp, not an offset
inline constexpr std::size_t kSttbListNames = 91;
inline constexpr std::size_t kSttbfUssr = 92;
// FibRgFcLcb2000 and later.
inline constexpr std::size_t kRmdThreading = 94;
inline constexpr std::size_t kMid = 95;
inline constexpr std::size_t kSttbRgtplc = 96;
inline constexpr std::size_t kMsoEnvelope = 97;
inline constexpr std::size_t kRgDofr = 99;
inline constexpr std::size_t kPlfguidUim = 111;
inline constexpr std::size_t kAtrdExtra = 112;
inline constexpr std::size_t kPlrsid = 113;
inline constexpr std::size_t kPmsNew = 126;
inline constexpr std::size_t kOdso = 127;
inline constexpr std::size_t kHplxsdr = 136;
inline constexpr std::size_t kCustomXForm = 140;
inline constexpr std::size_t kSttbProtUser = 144;
inline constexpr std::size_t kOssTheme = 181;
inline constexpr std::size_t kColorSchemeMapping = 182;
}  // namespace fib_index

// Flags of the base.
namespace fib_flag {
inline constexpr std::uint16_t kDot = 0x0001;
inline constexpr std::uint16_t kGlsy = 0x0002;
inline constexpr std::uint16_t kComplex = 0x0004;
inline constexpr std::uint16_t kQuickSaves = 0x00F0;
inline constexpr std::uint16_t kEncrypted = 0x0100;
inline constexpr std::uint16_t kWhichTblStm = 0x0200;
inline constexpr std::uint16_t kReadOnlyRecommended = 0x0400;
inline constexpr std::uint16_t kWriteReservation = 0x0800;
inline constexpr std::uint16_t kExtChar = 0x1000;
inline constexpr std::uint16_t kObfuscated = 0x8000;
}  // namespace fib_flag

// Text lengths of the parts, in the order the parts follow each other.
inline constexpr std::size_t kPartCount = 8;

// The file information block, read and rewritten in place.
class Fib {
 public:
  // Parses the block at the start of the stream. Refuses Word 6/95 and
  // older files, encrypted files and anything that is not a Word
  // 97-2003 document, with a ReadError saying which.
  static Fib Parse(std::string_view word_document);

  std::uint16_t Version() const;  // nFib
  std::uint16_t Flags() const;
  bool TableStreamIsOne() const { return (Flags() & fib_flag::kWhichTblStm) != 0; }

  std::size_t PairCount() const { return pair_count_; }
  std::uint32_t Offset(std::size_t index) const;
  std::uint32_t Size(std::size_t index) const;
  void SetPair(std::size_t index, std::uint32_t offset, std::uint32_t size);

  // Text length of part i (main text, footnotes, headers, macros, comments,
  // endnotes, text boxes, header text boxes).
  std::int32_t PartLength(std::size_t part) const;
  void SetPartLength(std::size_t part, std::int32_t length);

  void SetFlags(std::uint16_t flags);
  void SetTextBounds(std::uint32_t first, std::uint32_t limit);  // fcMin, fcMac
  void SetStreamLength(std::uint32_t length);                    // cbMac
  // First page and page count of the character and paragraph property
  // pages: some readers go by these rather than by the bin tables.
  void SetPropertyPages(std::uint32_t chpx_first, std::uint32_t chpx_count,
                        std::uint32_t papx_first, std::uint32_t papx_count);

  // The whole block as it goes to the start of the stream.
  const std::string& bytes() const { return raw_; }

 private:
  std::string raw_;
  std::size_t lw_at_ = 0;     // start of the 32-bit values
  std::size_t pairs_at_ = 0;  // start of the offset/size pairs
  std::size_t pair_count_ = 0;
};

}  // namespace quorlex::automation::word97
