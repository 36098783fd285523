// Resource numbers shared by the resource script and the window system.
#pragma once

// The program's icon: one 48 by 48 image, 32 bits per pixel.
#define VORHEL_ICON_RESOURCE 1
