#include "shell/window_display.h"

#include <FL/Fl.H>
#include <FL/Fl_Multiline_Output.H>
#include <FL/Fl_RGB_Image.H>
#include <FL/Fl_Text_Buffer.H>
#include <FL/Fl_Text_Display.H>
#include <FL/Fl_Window.H>
#include <FL/x.H>
#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include <cstdlib>

#include "shell/window_icon.h"

namespace quorlex::shell {
namespace {

// Sizes are given in twips, 15 to the pixel.
constexpr int Px(int twips) { return (twips + 7) / 15; }

std::string WithoutCarriageReturns(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (const char c : text) {
    if (c != '\r') out.push_back(c);
  }
  return out;
}

// Asks the window manager for a border with a title and a close box only:
// the window can be moved but not resized, minimised or maximised.
void FixBorder(Fl_Window& window) {
  struct MotifHints {
    unsigned long flags, functions, decorations;
    long input_mode;
    unsigned long status;
  };
  constexpr unsigned long kFunctions = 1, kDecorations = 2;
  constexpr unsigned long kFuncMove = 4, kFuncClose = 32;
  constexpr unsigned long kDecorBorder = 2, kDecorTitle = 8, kDecorMenu = 16;
  MotifHints hints{kFunctions | kDecorations, kFuncMove | kFuncClose,
                   kDecorBorder | kDecorTitle | kDecorMenu, 0, 0};
  const Atom atom = XInternAtom(fl_display, "_MOTIF_WM_HINTS", False);
  XChangeProperty(fl_display, fl_xid(&window), atom, atom, 32, PropModeReplace,
                  reinterpret_cast<unsigned char*>(&hints), 5);
}

}  // namespace

struct WindowDisplay::Widgets {
  // Declared first so that it outlives the text display that shows it.
  Fl_Text_Buffer progress_text;
  std::unique_ptr<Fl_RGB_Image> icon32;
  std::unique_ptr<Fl_RGB_Image> icon16;
  std::vector<std::uint8_t> pixels32 = DrawWindowIcon(32);
  std::vector<std::uint8_t> pixels16 = DrawWindowIcon(16);
  std::unique_ptr<Fl_Window> window;
  Fl_Multiline_Output* title = nullptr;  // owned by the window
  Fl_Text_Display* progress = nullptr;   // owned by the window
  std::string caption;
  std::string shown;  // what the progress box shows now, without CRs
};

std::unique_ptr<WindowDisplay> WindowDisplay::Open(const std::string& caption) {
  const char* name = std::getenv("DISPLAY");
  if (name == nullptr || *name == '\0') return nullptr;
  // FLTK ends the process when it cannot open the display; try first.
  ::Display* display = XOpenDisplay(nullptr);
  if (display == nullptr) return nullptr;
  fl_open_display(display);

  auto w = std::make_unique<Widgets>();
  w->caption = caption;
  const int width = Px(7200);
  const int height = Px(1920);
  int sx = 0, sy = 0, sw = 0, sh = 0;
  Fl::screen_work_area(sx, sy, sw, sh);
  w->window = std::make_unique<Fl_Window>(sx + (sw - width) / 2, sy + (sh - height) / 2, width,
                                          height, w->caption.c_str());
  w->window->color(FL_BACKGROUND_COLOR);
  w->title = new Fl_Multiline_Output(Px(120), Px(120), Px(6972), Px(492));
  w->title->color(FL_BACKGROUND_COLOR);
  w->title->textsize(12);
  w->title->clear_visible_focus();
  w->progress = new Fl_Text_Display(Px(120), Px(620), Px(6972), Px(1188));
  w->progress->buffer(&w->progress_text);
  w->progress->color(FL_BACKGROUND_COLOR);
  w->progress->textsize(12);
  w->progress->scrollbar_align(FL_ALIGN_RIGHT);
  w->progress->clear_visible_focus();
  w->window->end();
  w->window->size_range(width, height, width, height);
  w->window->callback([](Fl_Widget*, void*) {});  // closing is the program's business

  w->icon32 = std::make_unique<Fl_RGB_Image>(w->pixels32.data(), 32, 32, 3);
  w->icon16 = std::make_unique<Fl_RGB_Image>(w->pixels16.data(), 16, 16, 3);
  const Fl_RGB_Image* icons[] = {w->icon32.get(), w->icon16.get()};
  w->window->icons(icons, 2);

  w->window->show();
  FixBorder(*w->window);
  for (int i = 0; i < 50 && !w->window->visible(); ++i)
    Fl::wait(0.01);
  Fl::flush();
  return std::unique_ptr<WindowDisplay>(new WindowDisplay(std::move(w)));
}

WindowDisplay::WindowDisplay(std::unique_ptr<Widgets> widgets) : widgets_(std::move(widgets)) {}

WindowDisplay::~WindowDisplay() {
  widgets_->window->hide();
  Fl::flush();
}

void WindowDisplay::Repaint(const TextBox& box) {
  const std::string text = WithoutCarriageReturns(box.Text());
  if (box.Name() == "txtTitle") {
    widgets_->title->value(text.c_str());
  } else {
    if (!widgets_->shown.empty() && text.starts_with(widgets_->shown)) {
      // Lines added at the end: only they go to the display's buffer.
      widgets_->progress_text.append(text.c_str() + widgets_->shown.size());
    } else {
      widgets_->progress_text.text(text.c_str());
    }
    widgets_->shown = text;
    // The caret at the end keeps the newest line in view.
    widgets_->progress->insert_position(widgets_->progress_text.length());
    widgets_->progress->show_insert_position();
  }
  // No event loop runs meanwhile: process what the server sent and draw now.
  Fl::check();
  Fl::flush();
}

}  // namespace quorlex::shell
