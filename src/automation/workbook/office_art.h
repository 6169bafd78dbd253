#pragma once

// Record types of the drawing layer (OfficeArt) that the workbook keeps in
// its MSODRAWINGGROUP and MSODRAWING records.

#include <cstdint>

namespace quorlex::automation::workbook::office_art {

inline constexpr std::uint16_t kDggContainer = 0xF000;
inline constexpr std::uint16_t kDgContainer = 0xF002;
inline constexpr std::uint16_t kSpgrContainer = 0xF003;
inline constexpr std::uint16_t kSpContainer = 0xF004;
inline constexpr std::uint16_t kFdgg = 0xF006;
inline constexpr std::uint16_t kFdg = 0xF008;
inline constexpr std::uint16_t kFspgr = 0xF009;
inline constexpr std::uint16_t kFsp = 0xF00A;
inline constexpr std::uint16_t kFopt = 0xF00B;
inline constexpr std::uint16_t kClientTextbox = 0xF00D;
inline constexpr std::uint16_t kClientAnchor = 0xF010;
inline constexpr std::uint16_t kClientData = 0xF011;

}  // namespace quorlex::automation::workbook::office_art
