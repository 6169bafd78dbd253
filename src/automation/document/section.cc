#include "automation/document/section.h"

#include <cstdint>

#include "automation/document/sprm.h"

namespace quorlex::automation::document {

PageSetup Section::Page() const {
  PageSetup page;
  SprmIterator it(properties);
  while (auto s = it.Next()) {
    switch (s->code) {
      case sprm::kSXaPage: page.width = s->Word(); break;
      case sprm::kSYaPage: page.height = s->Word(); break;
      case sprm::kSDxaLeft: page.left = s->Word(); break;
      case sprm::kSDxaRight: page.right = s->Word(); break;
      case sprm::kSDyaTop: page.top = static_cast<std::int16_t>(s->Word()); break;
      case sprm::kSDyaBottom: page.bottom = static_cast<std::int16_t>(s->Word()); break;
      case sprm::kSBOrientation: page.landscape = s->Byte() == 2; break;
      default: break;
    }
  }
  return page;
}

}  // namespace quorlex::automation::document
