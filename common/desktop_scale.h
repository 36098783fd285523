// The desktop's scale: how many device pixels a logical pixel takes, as the
// desktop's Xft.dpi resource says (96 dpi is 1).
#pragma once

struct _XDisplay;

namespace desktop {

// The scale that a resource-manager string (as XResourceManagerString gives
// it) asks for: Xft.dpi / 96, rounded to a whole number and at least 1. A
// missing, empty or unreadable value gives 1; so does a null string.
int ScaleFromResources(const char *resources);

// The scale of the display (or, for null, of a connection of its own to the
// default display, closed again; no display at all gives 1).
int ReadDesktopScale(_XDisplay *display);

} // namespace desktop
