#include "automation/biff8/drawing_ids.h"

#include <algorithm>
#include <iterator>

#include "automation/biff8/read_values.h"
#include "automation/biff8/records.h"
#include "automation/workbook/kept_drawing.h"
#include "automation/workbook/office_art.h"
#include "platform/error.h"
#include "platform/little_endian.h"

namespace quorlex::automation::biff8 {

using platform::Append16;
using platform::Append32;
using platform::Get16;
using platform::Get32;

DrawingIds PlanDrawings(const workbook::Workbook& book) {
  DrawingIds plan;
  plan.dg_id.assign(book.SheetCount(), 0);
  plan.spid_base.assign(book.SheetCount(), 0);
  // Every layer, kept as records (a chart sheet's, one the engine could not
  // take apart) or taken apart, gets identifiers of its own: copies of a
  // sheet never repeat their source's.
  std::uint32_t next_dg = 1;
  std::uint32_t next_cluster = 1;
  for (std::size_t i = 0; i < book.SheetCount(); ++i) {
    const auto& sheet = book.SheetAt(i);
    const bool modelled = sheet.IsWorksheet() && !sheet.Art().Empty();
    std::uint32_t need =
        modelled ? sheet.Art().ShapeIdCount() : workbook::KeptDrawingShapes(sheet.Items());
    if (need == 0) continue;
    std::uint32_t dg = next_dg++;
    std::uint32_t count = (need + 1023) / 1024;
    const std::uint32_t first = next_cluster;
    next_cluster += count;
    for (std::uint32_t k = 0; k < count; ++k) {
      plan.clusters[first + k] = {dg, std::min<std::uint32_t>(1024, need - k * 1024)};
    }
    plan.dg_id[i] = dg;
    plan.spid_base[i] = first * 1024;
    plan.shapes += need;
    ++plan.drawings;
  }
  // The table of clusters is written whole: it cannot grow without end.
  if (!plan.clusters.empty() && plan.clusters.rbegin()->first > 0xFFFF) {
    throw DamagedWorkbook("drawing shape identifiers out of range");
  }
  return plan;
}

std::vector<std::uint8_t> DrawingGroupBody(const workbook::Workbook& book, const DrawingIds& plan) {
  std::uint32_t max_cluster = plan.clusters.empty() ? 0 : plan.clusters.rbegin()->first;
  std::vector<std::uint8_t> fdgg;
  Append32(fdgg, (max_cluster + 1) * 1024 + 1);
  Append32(fdgg, max_cluster + 1);
  Append32(fdgg, plan.shapes);
  Append32(fdgg, plan.drawings);
  for (std::uint32_t c = 1; c <= max_cluster; ++c) {
    auto it = plan.clusters.find(c);
    Append32(fdgg, it == plan.clusters.end() ? 0 : it->second.first);
    Append32(fdgg, it == plan.clusters.end() ? 0 : it->second.second);
  }
  std::vector<std::uint8_t> rest;
  const auto& old = book.DrawingGroup();
  if (old.size() >= 8 && Get16(old, 2) == workbook::office_art::kDggContainer) {
    std::size_t end =
        std::min<std::size_t>(old.size(), 8 + static_cast<std::size_t>(Get32(old, 4)));
    std::size_t at = 8;
    while (at + 8 <= end) {
      std::size_t next = std::min(end, at + 8 + static_cast<std::size_t>(Get32(old, at + 4)));
      if (Get16(old, at + 2) != workbook::office_art::kFdgg)
        rest.insert(rest.end(), old.begin() + static_cast<std::ptrdiff_t>(at),
                    old.begin() + static_cast<std::ptrdiff_t>(next));
      at = next;
    }
  } else {
    // Default shape properties and the colours of the drawing menus.
    const std::uint8_t opt[] = {0x33, 0x00, 0x0B, 0xF0, 0x12, 0x00, 0x00, 0x00, 0xBF,
                                0x00, 0x08, 0x00, 0x08, 0x00, 0x81, 0x01, 0x09, 0x00,
                                0x00, 0x08, 0xC0, 0x01, 0x40, 0x00, 0x00, 0x08};
    const std::uint8_t colors[] = {0x40, 0x00, 0x1E, 0xF1, 0x10, 0x00, 0x00, 0x00,
                                   0x0D, 0x00, 0x00, 0x08, 0x0C, 0x00, 0x00, 0x08,
                                   0x17, 0x00, 0x00, 0x08, 0xF7, 0x00, 0x00, 0x10};
    rest.insert(rest.end(), std::begin(opt), std::end(opt));
    rest.insert(rest.end(), std::begin(colors), std::end(colors));
  }
  std::vector<std::uint8_t> out;
  Append16(out, 0x000F);
  Append16(out, workbook::office_art::kDggContainer);
  Append32(out, static_cast<std::uint32_t>(8 + fdgg.size() + rest.size()));
  Append16(out, 0x0000);
  Append16(out, workbook::office_art::kFdgg);
  Append32(out, static_cast<std::uint32_t>(fdgg.size()));
  out.insert(out.end(), fdgg.begin(), fdgg.end());
  out.insert(out.end(), rest.begin(), rest.end());
  return out;
}

// The RK form of v when one holds it exactly: an integer, an integer
// hundredth, or a double whose low 34 bits are zero (times 100 or not).

}  // namespace quorlex::automation::biff8
