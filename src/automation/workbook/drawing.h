#pragma once

// The drawing layer of a worksheet: its OfficeArt shapes (pictures, text
// boxes, charts, comment boxes) with the BIFF records that belong to each
// (OBJ, TXO and its CONTINUE records, an embedded chart's substream).
// Shapes are kept byte for byte; the engine only moves their anchors,
// renumbers their identifiers when saving, and makes comment boxes.

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "automation/workbook/record.h"
#include "platform/little_endian.h"

namespace quorlex::automation::workbook {

// A cell comment as NOTE, OBJ and TXO describe it.
struct Note {
  std::uint32_t row = 0;
  std::uint16_t col = 0;
  std::string author;
  std::string text;
  bool visible = false;
  bool text_changed = false;  // TXO to be written anew from `text`
};

// One shape of a sheet's drawing, with the records that go with it.
struct Shape {
  std::vector<std::uint8_t> art;  // one OfficeArt SpContainer or SpgrContainer
  // Records written after art[0, offset): (offset, records), offsets ascending.
  std::vector<std::pair<std::size_t, std::vector<Record>>> inserts;
  std::optional<Note> note;

  // Rows of the anchor (0-based), when the shape has a cell anchor.
  bool AnchorRows(std::uint32_t& top, std::uint32_t& bottom) const;
  void SetAnchorRows(std::uint32_t top, std::uint32_t bottom, bool clamp_top, bool clamp_bottom);
  std::uint16_t ObjectType() const;  // ot of the first OBJ, 0 when none
};

// The drawing layer of a sheet: its shapes.
class Drawing {
 public:
  bool Empty() const { return shapes_.empty(); }
  std::vector<Shape>& Shapes() { return shapes_; }
  const std::vector<Shape>& Shapes() const { return shapes_; }

  // Builds the drawing from the concatenated bytes of a sheet's MSODRAWING
  // records and the records met between them (at their byte offsets).
  // Throws quorlex::Error on a malformed drawing.
  static Drawing Parse(const std::vector<std::uint8_t>& art,
                       const std::vector<std::pair<std::size_t, std::vector<Record>>>& breaks);

  // Rows [first, first+count) deleted: comments on them go, shapes wholly
  // inside go, shapes below move up, shapes across shrink.
  void DeleteRows(std::uint32_t first, std::uint32_t count);

  // Gives the note to the shape whose OBJ has this object id (a NOTE record
  // met after the drawing). False when no such shape exists.
  bool BindNote(std::uint16_t object_id, Note note);

  // Comment boxes.
  Shape* FindNote(std::uint32_t row, std::uint16_t col);
  Shape& AddNote(std::uint32_t row, std::uint16_t col, const std::string& author);
  void SetNoteVisible(Shape& shape, bool visible);
  // Removes the notes of rows [first, last] and returns them, rows relative to `first`.
  std::vector<Shape> TakeNotes(std::uint32_t first, std::uint32_t last);
  void PutNotes(std::vector<Shape> notes, std::uint32_t to);

  // Number of shape identifiers the drawing needs (the group shape included).
  std::uint32_t ShapeIdCount() const;

  // The records of the drawing, with identifiers renumbered: drawing dg_id,
  // shape ids from spid_base on, object ids from 1 on. The NOTE records for
  // the comments follow in `notes`.
  void Write(std::uint32_t dg_id, std::uint32_t spid_base, std::vector<Record>& out,
             std::vector<Record>& notes) const;

 private:
  std::vector<std::uint8_t> head_;  // DgContainer children before the shapes' group (FDG, ...)
  std::vector<std::uint8_t> group_shape_;  // the patriarch SpContainer
  std::vector<std::uint8_t> tail_;         // DgContainer children after the group
  std::vector<Shape> shapes_;
};

// Records of a comment's text box (TXO and its CONTINUE records).
std::vector<Record> MakeTextBoxRecords(const std::string& text);
// The text of a TXO with its CONTINUE records, empty when there is none.
std::string ReadTextBox(const std::vector<Record>& records);

// Walks OfficeArt records in a byte range: calls visit(type, instance,
// header_offset, body_offset, body_length); descends into containers.
template <typename F>
void WalkArt(const std::vector<std::uint8_t>& art, std::size_t from, std::size_t to, F&& visit,
             int depth = 0) {
  std::size_t at = from;
  while (at + 8 <= to) {
    std::uint16_t verinst = platform::Get16(art, at);
    std::uint16_t type = platform::Get16(art, at + 2);
    std::uint32_t len = platform::Get32(art, at + 4);
    std::size_t body = at + 8;
    std::size_t end = body + len;
    if (end > to || end < body) end = to;
    bool container = (verinst & 0x000F) == 0x000F;
    visit(type, static_cast<std::uint16_t>(verinst >> 4), at, body, end - body, depth);
    if (container && depth < 64) WalkArt(art, body, end, visit, depth + 1);
    at = end;
  }
}

}  // namespace quorlex::automation::workbook
