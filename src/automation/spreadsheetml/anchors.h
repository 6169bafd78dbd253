#pragma once

// Anchors of the shapes of a kept drawing (DrawingML's twoCellAnchor and
// oneCellAnchor, VML's x:Anchor) after rows are deleted, as the engine
// moves its own shapes: a shape inside the deleted rows goes, an edge
// inside them stops at their top, and what is below moves up.

#include <cstdint>
#include <string>

namespace quorlex::automation::spreadsheetml {

std::string DeleteAnchorRows(const std::string& xml, std::uint32_t first, std::uint32_t count);
std::string DeleteVmlAnchorRows(const std::string& xml, std::uint32_t first, std::uint32_t count);

}  // namespace quorlex::automation::spreadsheetml
