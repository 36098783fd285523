// Message boxes: our own small modal window, drawn with SDL and SDL_ttf so
// that Chinese shows on any X server and SDL goes on serving the clipboard
// while the box is open.
#include <SDL.h>
#include <SDL_ttf.h>
#include <stdio.h>

#include <string>
#include <vector>

#include "app/linux/box_drawing.h"
#include "app/linux/window_system_linux.h"
#include "app/test_seam.h"
#include "app/window_system.h"
#include "common/cjk_font.h"
#include "common/gbk_text.h"

namespace {

constexpr int kFontPixels = 16;
// The desktop's own face for Chinese text; the lookup makes sure it has it.
constexpr char kBoxFace[] = "sans-serif";
// Events of the program's other windows that arrive while a box is open are
// handed back afterwards, up to this many.
constexpr size_t kMostHeldEvents = 256;

struct OpenBox {
  SDL_Window *window = nullptr;
  uint32_t window_id = 0;
  TTF_Font *font = nullptr;
  BoxLayout layout;
  uint32_t icon = 0;
  ButtonLook look = ButtonLook::kNormal;
  bool pressed = false; // the left button went down on OK
  bool hot = false;     // the mouse is over OK
};

// Keys, text, the mouse, touch and drag-and-drop: what a disabled window
// would not take.
bool IsInputEvent(uint32_t type) {
  return (type >= SDL_KEYDOWN && type <= SDL_TEXTINPUT) || type == SDL_TEXTEDITING_EXT ||
         (type >= SDL_MOUSEMOTION && type < SDL_JOYAXISMOTION) || (type >= SDL_FINGERDOWN && type < SDL_CLIPBOARDUPDATE) ||
         (type >= SDL_DROPFILE && type < SDL_AUDIODEVICEADDED);
}

// The window an event is addressed to, or 0.
uint32_t WindowOf(const SDL_Event &event) {
  switch (event.type) {
  case SDL_WINDOWEVENT:
    return event.window.windowID;
  case SDL_KEYDOWN:
  case SDL_KEYUP:
    return event.key.windowID;
  case SDL_TEXTEDITING:
    return event.edit.windowID;
  case SDL_TEXTEDITING_EXT:
    return event.editExt.windowID;
  case SDL_TEXTINPUT:
    return event.text.windowID;
  case SDL_MOUSEMOTION:
    return event.motion.windowID;
  case SDL_MOUSEBUTTONDOWN:
  case SDL_MOUSEBUTTONUP:
    return event.button.windowID;
  case SDL_MOUSEWHEEL:
    return event.wheel.windowID;
  case SDL_DROPFILE:
  case SDL_DROPTEXT:
  case SDL_DROPBEGIN:
  case SDL_DROPCOMPLETE:
    return event.drop.windowID;
  default:
    return 0;
  }
}

bool OverButton(const OpenBox &box, int x, int y) {
  SDL_Point point{x, y};
  return SDL_PointInRect(&point, &box.layout.button);
}

void Repaint(OpenBox *box) {
  SDL_Surface *surface = SDL_GetWindowSurface(box->window);
  if (surface == nullptr) {
    return;
  }
  box->look = box->pressed && box->hot ? ButtonLook::kPressed : box->hot ? ButtonLook::kHot : ButtonLook::kNormal;
  PaintBox(surface, box->layout, box->font, box->icon, box->look);
  SDL_UpdateWindowSurface(box->window);
}

// Handles an event addressed to the box. Returns true when it closes the box.
bool HandleBoxEvent(OpenBox *box, const SDL_Event &event) {
  switch (event.type) {
  case SDL_KEYDOWN:
    switch (event.key.keysym.sym) {
    case SDLK_RETURN:
    case SDLK_KP_ENTER:
    case SDLK_ESCAPE:
    case SDLK_SPACE:
      return true;
    default:
      return false;
    }
  case SDL_MOUSEMOTION:
    if (OverButton(*box, event.motion.x, event.motion.y) != box->hot) {
      box->hot = !box->hot;
      Repaint(box);
    }
    return false;
  case SDL_MOUSEBUTTONDOWN:
    if (event.button.button == SDL_BUTTON_LEFT && OverButton(*box, event.button.x, event.button.y)) {
      box->pressed = box->hot = true;
      Repaint(box);
    }
    return false;
  case SDL_MOUSEBUTTONUP:
    if (event.button.button == SDL_BUTTON_LEFT && box->pressed) {
      box->pressed = false;
      if (OverButton(*box, event.button.x, event.button.y)) {
        return true;
      }
      Repaint(box);
    }
    return false;
  case SDL_WINDOWEVENT:
    switch (event.window.event) {
    case SDL_WINDOWEVENT_CLOSE:
      return true;
    case SDL_WINDOWEVENT_EXPOSED:
    case SDL_WINDOWEVENT_SIZE_CHANGED:
      Repaint(box);
      return false;
    case SDL_WINDOWEVENT_LEAVE:
      if (box->hot) {
        box->hot = false;
        Repaint(box);
      }
      return false;
    default:
      return false;
    }
  default:
    return false;
  }
}

// Runs the box until it is dismissed. Input for the program's other windows
// is dropped (the box is task-modal); their other events are kept and handed
// back when the box closes, and MainWindow keeps its picture meanwhile.
void RunBox(OpenBox *box) {
  std::vector<SDL_Event> held;
  bool quit = false;
  SDL_Event event;
  // Waiting pumps SDL's events, which also answers other programs' requests
  // for the clipboard.
  while (SDL_WaitEvent(&event) == 1) {
    uint32_t window = WindowOf(event);
    if (window == box->window_id) {
      if (HandleBoxEvent(box, event)) {
        break;
      }
    } else if (event.type == SDL_KEYDOWN && event.key.repeat == 0) {
      // The box has the keyboard from the moment it shows, as a task-modal
      // box does elsewhere. SDL hands it the focus only a moment after it
      // appears, and a key pressed meanwhile goes to another of the
      // program's windows; the box's keys act on the box wherever they went.
      if (HandleBoxEvent(box, event)) {
        break;
      }
    } else if (event.type == SDL_QUIT) {
      // Asked to end (a signal, say): close the box and let whoever runs the
      // program's loop see the request.
      quit = true;
      break;
    } else if (!IsInputEvent(event.type)) {
      SDL_Window *main_window = MainWindowOrNull();
      if (event.type == SDL_WINDOWEVENT && event.window.event == SDL_WINDOWEVENT_EXPOSED && main_window != nullptr &&
          window == SDL_GetWindowID(main_window)) {
        SDL_UpdateWindowSurface(main_window);
      }
      if (held.size() < kMostHeldEvents) {
        held.push_back(event);
      }
    }
  }
  for (SDL_Event &kept : held) {
    SDL_PushEvent(&kept);
  }
  if (quit) {
    SDL_Event request{};
    request.type = SDL_QUIT;
    SDL_PushEvent(&request);
  }
}

int DropEventsOfWindow(void *window_id, SDL_Event *event) {
  return WindowOf(*event) == *static_cast<uint32_t *>(window_id) ? 0 : 1;
}

// Shows the box on the display. Returns false when it cannot be shown at
// all, and also when it was shown without its text (no font could be
// opened), so that the text still reaches someone.
bool ShowBoxOnDisplay(const std::string &text, const std::string &title, uint32_t icon) {
  // Our engine asks SDL for plain software drawing before it draws; a box
  // shown before the engine came up asks the same, but gives way to any
  // other choice.
  SDL_SetHintWithPriority(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0", SDL_HINT_DEFAULT);
  int scale = DesktopScale();
  OpenBox box;
  box.icon = icon;
  bool ttf_ready = TTF_Init() == 0;
  if (ttf_ready) {
    desktop::FontFace face = desktop::FindCjkFont(kBoxFace);
    if (!face.path.empty()) {
      box.font = TTF_OpenFontIndex(face.path.c_str(), kFontPixels * scale, face.index);
    }
  }
  box.layout = LayOutBox(box.font, text, scale);

  SDL_Rect screen{0, 0, box.layout.width, box.layout.height};
  SDL_GetDisplayBounds(0, &screen);
  box.window = SDL_CreateWindow(title.c_str(), screen.x + (screen.w - box.layout.width) / 2,
                                screen.y + (screen.h - box.layout.height) / 2, box.layout.width, box.layout.height,
                                SDL_WINDOW_HIDDEN);
  bool shown = box.window != nullptr;
  if (shown) {
    box.window_id = SDL_GetWindowID(box.window);
    GiveWindowTheProgramIcon(box.window);
    SDL_ShowWindow(box.window);
    SDL_RaiseWindow(box.window);
    SDL_SetWindowInputFocus(box.window);
    Repaint(&box);
    RunBox(&box);
    SDL_DestroyWindow(box.window);
    // What is still queued for the box goes with it.
    SDL_PumpEvents();
    SDL_FilterEvents(DropEventsOfWindow, &box.window_id);
  }
  if (box.font != nullptr) {
    TTF_CloseFont(box.font);
  }
  if (ttf_ready) {
    TTF_Quit();
  }
  return shown && box.font != nullptr;
}

} // namespace

void ShowMessageBox(const char *text, const char *title, uint32_t icon) {
  SeamNoteMessageBox(text, title, icon);
  if (SeamAnswersBoxes()) {
    return;
  }
  std::string utf8_text = desktop::GbkToUtf8(text);
  std::string utf8_title = desktop::GbkToUtf8(title);
  if (!VideoIsReady() || !ShowBoxOnDisplay(utf8_text, utf8_title, icon)) {
    fprintf(stderr, "%s: %s\n", utf8_title.c_str(), utf8_text.c_str());
  }
}
