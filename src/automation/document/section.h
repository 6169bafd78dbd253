#pragma once

#include <string>

namespace quorlex::automation::document {

// Page geometry in twips (1/1440 inch).
struct PageSetup {
  int width = 12240;
  int height = 15840;
  int left = 1800;
  int right = 1800;
  int top = 1440;
  int bottom = 1440;
  bool landscape = false;

  int TextWidth() const { return width - left - right; }
};

// A section of the main text: its properties as the file keeps them (page
// size, orientation, margins, columns, header and footer settings, ...).
struct Section {
  std::string properties;  // a section property list

  PageSetup Page() const;
};

}  // namespace quorlex::automation::document
