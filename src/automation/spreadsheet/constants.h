#pragma once

// Excel's enumeration values that the converters pass.

namespace quorlex::automation::spreadsheet {

inline constexpr int xlNone = -4142;
inline constexpr int xlWorkbookNormal = -4143;
inline constexpr int xlExcel8 = 56;
inline constexpr int xlOpenXMLWorkbook = 51;
inline constexpr int xlNoChange = 1;

inline constexpr int xlEdgeLeft = 7;
inline constexpr int xlEdgeTop = 8;
inline constexpr int xlEdgeBottom = 9;
inline constexpr int xlEdgeRight = 10;

inline constexpr int xlContinuous = 1;
inline constexpr int xlDash = -4115;
inline constexpr int xlDot = -4118;
inline constexpr int xlDouble = -4119;

}  // namespace quorlex::automation::spreadsheet
