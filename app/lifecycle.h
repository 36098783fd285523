#pragma once

// The creation event of MainWindow: creates the engine on the window, builds
// the panel, runs the engine loop and ends the program. Never returns.
void OnMainWindowCreated(void);
