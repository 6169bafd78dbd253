#include "automation/workbook/drawing.h"

#include <algorithm>

#include "automation/workbook/office_art.h"
#include "platform/error.h"
#include "platform/little_endian.h"
#include "platform/utf16.h"

namespace quorlex::automation::workbook {

using platform::Append16;
using platform::Append32;
using platform::Get16;
using platform::Get32;
using platform::Put16;
using platform::Put32;

namespace {

using office_art::kClientAnchor;
using office_art::kDgContainer;
using office_art::kFdg;
using office_art::kFopt;
using office_art::kFsp;
using office_art::kSpContainer;
using office_art::kSpgrContainer;

constexpr std::uint16_t kObj = 0x005D;
constexpr std::uint16_t kTxo = 0x01B6;
constexpr std::uint16_t kContinue = 0x003C;
constexpr std::uint16_t kMsoDrawing = 0x00EC;
constexpr std::uint16_t kBof = 0x0809;
constexpr std::uint16_t kEof = 0x000A;
constexpr std::uint16_t kNote = 0x001C;

constexpr std::size_t kMaxRecordData = 8224;

[[noreturn]] void Malformed(const char* what) {
  throw Error(errors::kFormat, std::string("Слой рисунков книги поврежден (") + what + ")");
}

void AppendHeader(std::vector<std::uint8_t>& out, std::uint16_t verinst, std::uint16_t type,
                  std::uint32_t len) {
  Append16(out, verinst);
  Append16(out, type);
  Append32(out, len);
}

std::vector<std::uint8_t> Slice(const std::vector<std::uint8_t>& v, std::size_t from,
                                std::size_t to) {
  return {v.begin() + static_cast<std::ptrdiff_t>(from),
          v.begin() + static_cast<std::ptrdiff_t>(to)};
}

// Offset of the shape's own anchor record body, or npos.
std::size_t AnchorBody(const std::vector<std::uint8_t>& art) {
  std::size_t found = std::string::npos;
  WalkArt(
      art, 0, art.size(),
      [&](std::uint16_t type, std::uint16_t, std::size_t, std::size_t body, std::size_t len, int) {
        if (found == std::string::npos && type == kClientAnchor && len >= 18) found = body;
      });
  return found;
}

const Record* FirstObj(const Shape& shape) {
  for (const auto& [offset, records] : shape.inserts) {
    for (const Record& r : records) {
      if (r.type == kObj) return &r;
    }
  }
  return nullptr;
}

void EmitArt(const std::vector<std::uint8_t>& art, std::size_t from, std::size_t to,
             std::vector<Record>& out) {
  while (from < to) {
    std::size_t n = std::min(kMaxRecordData, to - from);
    out.push_back({kMsoDrawing, Slice(art, from, from + n)});
    from += n;
  }
}

}  // namespace

bool Shape::AnchorRows(std::uint32_t& top, std::uint32_t& bottom) const {
  std::size_t body = AnchorBody(art);
  if (body == std::string::npos) return false;
  top = Get16(art, body + 6);
  bottom = Get16(art, body + 14);
  return true;
}

void Shape::SetAnchorRows(std::uint32_t top, std::uint32_t bottom, bool clamp_top,
                          bool clamp_bottom) {
  std::size_t body = AnchorBody(art);
  if (body == std::string::npos) return;
  Put16(art, body + 6, std::min<std::uint32_t>(top, 0xFFFF));
  Put16(art, body + 14, std::min<std::uint32_t>(bottom, 0xFFFF));
  if (clamp_top) Put16(art, body + 8, 0);
  if (clamp_bottom) Put16(art, body + 16, 0);
}

std::uint16_t Shape::ObjectType() const {
  const Record* obj = FirstObj(*this);
  if (obj == nullptr || obj->data.size() < 8 || Get16(obj->data, 0) != 0x15) return 0;
  return Get16(obj->data, 4);
}

Drawing Drawing::Parse(const std::vector<std::uint8_t>& art,
                       const std::vector<std::pair<std::size_t, std::vector<Record>>>& breaks) {
  Drawing d;
  if (art.size() < 8 || Get16(art, 2) != kDgContainer) Malformed("no drawing container");
  std::size_t dg_end =
      std::min<std::size_t>(art.size(), 8 + static_cast<std::size_t>(Get32(art, 4)));
  std::size_t at = 8;
  bool seen_group = false;
  std::vector<std::pair<std::size_t, std::size_t>> spans;  // shape byte ranges
  while (at + 8 <= dg_end) {
    std::uint16_t type = Get16(art, at + 2);
    std::size_t end = at + 8 + Get32(art, at + 4);
    if (end > dg_end) Malformed("record runs past its container");
    if (type == kSpgrContainer && !seen_group) {
      seen_group = true;
      std::size_t child = at + 8;
      bool first = true;
      while (child + 8 <= end) {
        std::size_t child_end = child + 8 + Get32(art, child + 4);
        if (child_end > end) Malformed("shape runs past its group");
        if (first) {
          d.group_shape_ = Slice(art, child, child_end);
          first = false;
        } else {
          spans.emplace_back(child, child_end);
        }
        child = child_end;
      }
    } else if (!seen_group) {
      auto part = Slice(art, at, end);
      d.head_.insert(d.head_.end(), part.begin(), part.end());
    } else {
      auto part = Slice(art, at, end);
      d.tail_.insert(d.tail_.end(), part.begin(), part.end());
    }
    at = end;
  }
  if (!seen_group || d.group_shape_.empty()) Malformed("no shape group");
  for (const auto& [from, to] : spans) {
    Shape shape;
    shape.art = Slice(art, from, to);
    d.shapes_.push_back(std::move(shape));
  }
  // Breaks come in stream order, as the shapes do: walk both at once.
  std::size_t index = 0;
  for (const auto& [offset, records] : breaks) {
    if (d.shapes_.empty()) break;
    while (index + 1 < spans.size() && offset > spans[index].second)
      ++index;
    Shape& shape = d.shapes_[index];
    std::size_t local = offset > spans[index].first ? offset - spans[index].first : 0;
    local = std::min(local, shape.art.size());
    if (!shape.inserts.empty() && shape.inserts.back().first >= local) {
      // Same place (or out of order): keep them, in the order met.
      auto& list = shape.inserts.back().second;
      list.insert(list.end(), records.begin(), records.end());
    } else {
      shape.inserts.emplace_back(local, records);
    }
  }
  return d;
}

bool Drawing::BindNote(std::uint16_t object_id, Note note) {
  for (Shape& shape : shapes_) {
    const Record* obj = FirstObj(shape);
    if (obj == nullptr || obj->data.size() < 8 || Get16(obj->data, 6) != object_id) continue;
    for (const auto& [offset, records] : shape.inserts) {
      if (!records.empty() && records.front().type == kTxo) note.text = ReadTextBox(records);
    }
    shape.note = std::move(note);
    return true;
  }
  return false;
}

void Drawing::DeleteRows(std::uint32_t first, std::uint32_t count) {
  if (count == 0) return;
  std::uint64_t end64 = static_cast<std::uint64_t>(first) + count;  // first row after the band
  std::vector<Shape> kept;
  kept.reserve(shapes_.size());
  for (Shape& shape : shapes_) {
    if (shape.note) {
      Note& note = *shape.note;
      if (note.row >= first && note.row < end64) continue;
      if (note.row >= end64) note.row -= count;
    }
    std::uint32_t top = 0;
    std::uint32_t bottom = 0;
    if (shape.AnchorRows(top, bottom)) {
      bool top_in = top >= first && top < end64;
      bool bottom_in = bottom >= first && bottom < end64;
      if (top_in && bottom_in && !shape.note) continue;
      std::uint32_t new_top = top >= end64 ? top - count : (top_in ? first : top);
      std::uint32_t new_bottom = bottom >= end64 ? bottom - count : (bottom_in ? first : bottom);
      if (shape.note && top_in && bottom_in) {
        new_bottom = first + (bottom - top);
      }
      shape.SetAnchorRows(new_top, new_bottom, top_in && !shape.note, bottom_in && !shape.note);
    }
    kept.push_back(std::move(shape));
  }
  shapes_ = std::move(kept);
}

Shape* Drawing::FindNote(std::uint32_t row, std::uint16_t col) {
  for (Shape& shape : shapes_) {
    if (shape.note && shape.note->row == row && shape.note->col == col) return &shape;
  }
  return nullptr;
}

Shape& Drawing::AddNote(std::uint32_t row, std::uint16_t col, const std::string& author) {
  if (group_shape_.empty()) {
    head_.clear();
    AppendHeader(head_, 0x0000, kFdg, 8);
    Append32(head_, 0);
    Append32(head_, 0);
    AppendHeader(group_shape_, 0x000F, kSpContainer, 16 + 8 + 8 + 8);
    AppendHeader(group_shape_, 0x0001, office_art::kFspgr, 16);
    for (int i = 0; i < 4; ++i)
      Append32(group_shape_, 0);
    AppendHeader(group_shape_, 0x0002, kFsp, 8);
    Append32(group_shape_, 0);
    Append32(group_shape_, 0x00000005);  // group, patriarch
  }
  Shape shape;
  std::vector<std::uint8_t> body;
  AppendHeader(body, static_cast<std::uint16_t>((0x00CA << 4) | 0x2), kFsp, 8);  // text box
  Append32(body, 0);
  Append32(body, 0x00000A00);  // has anchor, has shape type
  struct Prop {
    std::uint16_t id;
    std::uint32_t value;
  };
  const Prop props[] = {
      {0x0080, 0},                                                       // text id
      {0x00BF, 0x00080008},                                              // fit text to shape
      {0x0181, 0x08000050},                                              // fill: tooltip background
      {0x0183, 0x08000050}, {0x01BF, 0x00100010}, {0x0201, 0x00000000},  // shadow colour
      {0x023F, 0x00030003},                                              // shadow on
      {0x03BF, 0x00020002},                                              // hidden
  };
  AppendHeader(body, static_cast<std::uint16_t>((std::size(props) << 4) | 0x3), kFopt,
               static_cast<std::uint32_t>(std::size(props) * 6));
  for (const Prop& p : props) {
    Append16(body, p.id);
    Append32(body, p.value);
  }
  AppendHeader(body, 0x0000, kClientAnchor, 18);
  std::uint32_t top = row == 0 ? 0 : row - 1;
  Append16(body, 0x0003);
  Append16(body, std::min<std::uint32_t>(col + 1u, 255u));
  Append16(body, 15);
  Append16(body, std::min<std::uint32_t>(top, 0xFFFF));
  Append16(body, 10);
  Append16(body, std::min<std::uint32_t>(col + 3u, 255u));
  Append16(body, 15);
  Append16(body, std::min<std::uint32_t>(top + 4, 0xFFFF));
  Append16(body, 4);
  AppendHeader(body, 0x0000, office_art::kClientData, 0);  // the OBJ follows
  std::size_t after_client_data = body.size() + 8;
  AppendHeader(body, 0x0000, office_art::kClientTextbox, 0);  // the TXO follows
  std::size_t after_text_box = body.size() + 8;
  AppendHeader(shape.art, 0x000F, kSpContainer, static_cast<std::uint32_t>(body.size()));
  shape.art.insert(shape.art.end(), body.begin(), body.end());

  Record obj{kObj, {}};
  Append16(obj.data, 0x15);  // ftCmo
  Append16(obj.data, 0x12);
  Append16(obj.data, 0x19);  // note
  Append16(obj.data, 0);     // id, set when saving
  Append16(obj.data, 0x4011);
  for (int i = 0; i < 12; ++i)
    obj.data.push_back(0);
  Append16(obj.data, 0x0D);  // ftNts
  Append16(obj.data, 0x16);
  for (int i = 0; i < 16; ++i)
    obj.data.push_back(static_cast<std::uint8_t>(
        (row * 31u + col * 7u + static_cast<std::uint32_t>(i) * 13u) & 0xFF));
  for (int i = 0; i < 6; ++i)
    obj.data.push_back(0);
  Append32(obj.data, 0);  // ftEnd
  shape.inserts.emplace_back(after_client_data, std::vector<Record>{obj});
  shape.inserts.emplace_back(after_text_box, MakeTextBoxRecords(""));
  Note note;
  note.row = row;
  note.col = col;
  note.author = author;
  note.visible = false;
  note.text_changed = true;
  shape.note = note;
  shapes_.push_back(std::move(shape));
  return shapes_.back();
}

void Drawing::SetNoteVisible(Shape& shape, bool visible) {
  if (!shape.note) return;
  shape.note->visible = visible;
  WalkArt(shape.art, 0, shape.art.size(),
          [&](std::uint16_t type, std::uint16_t instance, std::size_t, std::size_t body,
              std::size_t len, int) {
            if (type != kFopt) return;
            for (std::size_t i = 0; i < instance && body + i * 6 + 6 <= body + len; ++i) {
              std::size_t at = body + i * 6;
              if ((Get16(shape.art, at) & 0x3FFF) == 0x03BF) {
                std::uint32_t v = Get32(shape.art, at + 2);
                v = (v & ~0x2u) | 0x20000u | (visible ? 0u : 0x2u);
                Put32(shape.art, at + 2, v);
              }
            }
          });
}

std::vector<Shape> Drawing::TakeNotes(std::uint32_t first, std::uint32_t last) {
  std::vector<Shape> taken;
  std::vector<Shape> kept;
  for (Shape& shape : shapes_) {
    if (shape.note && shape.note->row >= first && shape.note->row <= last) {
      std::uint32_t top = 0;
      std::uint32_t bottom = 0;
      std::uint32_t row = shape.note->row;
      if (shape.AnchorRows(top, bottom)) {
        std::uint32_t offset_top = row > top ? row - top : 0;
        shape.SetAnchorRows(row - first - std::min(offset_top, row - first),
                            row - first + (bottom > row ? bottom - row : 0), false, false);
      }
      shape.note->row = row - first;
      taken.push_back(std::move(shape));
    } else {
      kept.push_back(std::move(shape));
    }
  }
  shapes_ = std::move(kept);
  return taken;
}

void Drawing::PutNotes(std::vector<Shape> notes, std::uint32_t to) {
  if (notes.empty()) return;
  if (group_shape_.empty()) {
    // Make the group through AddNote, then drop its placeholder note.
    AddNote(0, 0, "");
    shapes_.pop_back();
  }
  for (Shape& shape : notes) {
    std::uint32_t top = 0;
    std::uint32_t bottom = 0;
    if (shape.AnchorRows(top, bottom)) shape.SetAnchorRows(top + to, bottom + to, false, false);
    shape.note->row += to;
    // A note already on the target cell gives way, as a paste over it does.
    std::erase_if(shapes_, [&](const Shape& s) {
      return s.note && s.note->row == shape.note->row && s.note->col == shape.note->col;
    });
    shapes_.push_back(std::move(shape));
  }
}

std::uint32_t Drawing::ShapeIdCount() const {
  std::uint32_t n = 1;
  for (const Shape& shape : shapes_) {
    WalkArt(shape.art, 0, shape.art.size(),
            [&](std::uint16_t type, std::uint16_t, std::size_t, std::size_t, std::size_t, int) {
              if (type == kFsp) ++n;
            });
  }
  return n;
}

void Drawing::Write(std::uint32_t dg_id, std::uint32_t spid_base, std::vector<Record>& out,
                    std::vector<Record>& notes) const {
  if (shapes_.empty()) return;
  std::uint32_t count = ShapeIdCount();
  std::uint32_t next_spid = spid_base;
  auto renumber = [&](std::vector<std::uint8_t>& art) {
    WalkArt(art, 0, art.size(),
            [&](std::uint16_t type, std::uint16_t, std::size_t, std::size_t body, std::size_t len,
                int) {
              if (type == kFsp && len >= 8) Put32(art, body, next_spid++);
            });
  };

  std::vector<std::uint8_t> head = head_;
  WalkArt(head, 0, head.size(),
          [&](std::uint16_t type, std::uint16_t, std::size_t header, std::size_t body,
              std::size_t len, int depth) {
            if (type == kFdg && depth == 0 && len >= 8) {
              Put16(head, header, static_cast<std::uint16_t>((dg_id & 0x0FFF) << 4));
              Put32(head, body, count);
              Put32(head, body + 4, spid_base + count - 1);
            }
          });
  std::vector<std::uint8_t> group = group_shape_;
  renumber(group);

  std::size_t shapes_size = group.size();
  for (const Shape& s : shapes_)
    shapes_size += s.art.size();
  std::vector<std::uint8_t> art;
  AppendHeader(art, 0x000F, kDgContainer,
               static_cast<std::uint32_t>(head.size() + 8 + shapes_size + tail_.size()));
  art.insert(art.end(), head.begin(), head.end());
  AppendHeader(art, 0x000F, kSpgrContainer, static_cast<std::uint32_t>(shapes_size));
  art.insert(art.end(), group.begin(), group.end());

  std::vector<std::pair<std::size_t, std::vector<Record>>> inserts;
  std::uint16_t next_object = 1;
  for (const Shape& s : shapes_) {
    std::size_t base = art.size();
    std::vector<std::uint8_t> shape_art = s.art;
    renumber(shape_art);
    art.insert(art.end(), shape_art.begin(), shape_art.end());
    std::uint16_t note_object = 0;
    for (const auto& [offset, records] : s.inserts) {
      std::vector<Record> list;
      if (s.note && s.note->text_changed && !records.empty() && records.front().type == kTxo) {
        list = MakeTextBoxRecords(s.note->text);
      } else {
        list = records;
        int depth = 0;
        for (Record& r : list) {
          if (r.type == kBof) ++depth;
          if (r.type == kEof && depth > 0) --depth;
          if (r.type == kObj && depth == 0 && r.data.size() >= 8) {
            if (note_object == 0) note_object = next_object;
            Put16(r.data, 6, next_object++);
          }
        }
      }
      inserts.emplace_back(base + offset, std::move(list));
    }
    if (s.note && note_object != 0) {
      Record note{kNote, {}};
      Append16(note.data, s.note->row);
      Append16(note.data, s.note->col);
      Append16(note.data, s.note->visible ? 0x0002 : 0x0000);
      Append16(note.data, note_object);
      std::u16string author = platform::Utf8ToUtf16(s.note->author);
      if (author.size() > 255) author.resize(255);
      Append16(note.data, static_cast<std::uint32_t>(author.size()));
      note.data.push_back(0x01);
      for (char16_t c : author)
        Append16(note.data, c);
      note.data.push_back(0);
      notes.push_back(std::move(note));
    }
  }
  art.insert(art.end(), tail_.begin(), tail_.end());

  std::size_t pos = 0;
  for (auto& [offset, records] : inserts) {
    std::size_t to = std::min(offset, art.size());
    if (to > pos) {
      EmitArt(art, pos, to, out);
      pos = to;
    }
    for (Record& r : records)
      out.push_back(std::move(r));
  }
  EmitArt(art, pos, art.size(), out);
}

std::vector<Record> MakeTextBoxRecords(const std::string& text) {
  std::u16string chars = platform::Utf8ToUtf16(text);
  std::vector<Record> out;
  Record txo{kTxo, {}};
  Append16(txo.data, 0x0212);  // left, top, locked text
  Append16(txo.data, 0);
  for (int i = 0; i < 6; ++i)
    txo.data.push_back(0);
  Append16(txo.data, static_cast<std::uint32_t>(chars.size()));
  Append16(txo.data, chars.empty() ? 0 : 16);
  Append16(txo.data, 0);  // font of an empty text box
  Append16(txo.data, 0);  // no formula: the body ends here, at 18 bytes
  out.push_back(std::move(txo));
  if (chars.empty()) return out;
  bool wide = std::any_of(chars.begin(), chars.end(), [](char16_t c) { return c > 0xFF; });
  std::size_t per_record = wide ? (kMaxRecordData - 1) / 2 : kMaxRecordData - 1;
  for (std::size_t at = 0; at < chars.size(); at += per_record) {
    Record part{kContinue, {}};
    part.data.push_back(wide ? 1 : 0);
    for (std::size_t i = at; i < std::min(chars.size(), at + per_record); ++i) {
      if (wide) {
        Append16(part.data, chars[i]);
      } else {
        part.data.push_back(static_cast<std::uint8_t>(chars[i]));
      }
    }
    out.push_back(std::move(part));
  }
  Record runs{kContinue, {}};
  Append16(runs.data, 0);
  Append16(runs.data, 0);
  Append32(runs.data, 0);
  Append16(runs.data, static_cast<std::uint32_t>(chars.size()));
  Append16(runs.data, 0);
  Append32(runs.data, 0);
  out.push_back(std::move(runs));
  return out;
}

std::string ReadTextBox(const std::vector<Record>& records) {
  if (records.empty() || records.front().type != kTxo) return {};
  std::size_t cch = Get16(records.front().data, 10);
  std::u16string chars;
  for (std::size_t i = 1; i < records.size() && chars.size() < cch; ++i) {
    const auto& d = records[i].data;
    if (records[i].type != kContinue || d.empty()) break;
    bool wide = (d[0] & 0x01) != 0;
    std::size_t at = 1;
    while (chars.size() < cch && ReadStringChar(d, at, wide, chars)) {
    }
  }
  std::string text = platform::Utf16ToUtf8(chars);
  // Excel stores line ends inside text boxes as LF alone.
  return text;
}

}  // namespace quorlex::automation::workbook
