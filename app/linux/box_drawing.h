// The message box's picture: its layout from the text, and its painting.
#pragma once

#include <SDL.h>
#include <SDL_ttf.h>
#include <stdint.h>

#include <string>
#include <vector>

struct BoxLayout {
  int width = 0;
  int height = 0;
  SDL_Rect icon{};
  SDL_Rect text{};   // the block of text lines
  SDL_Rect strip{};  // the band along the bottom that holds the button
  SDL_Rect button{};
  int line_skip = 0;
  std::vector<std::string> lines;
};

enum class ButtonLook { kNormal, kHot, kPressed };

// Lays the box out for a UTF-8 text at a desktop scale. The text is wrapped
// to lines that fit; font may be null (then no text is laid out).
BoxLayout LayOutBox(TTF_Font *font, const std::string &text, int scale);

// Paints the whole box onto surface.
void PaintBox(SDL_Surface *surface, const BoxLayout &layout, TTF_Font *font, uint32_t icon, ButtonLook look);
