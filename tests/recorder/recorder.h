// The recording engine: a stand-in for the engine library that exports the
// same 27 entry points (generated from engine/entry_points.h), writes down
// every call the program makes and plays a script of inputs. It is for tests
// only; the program loads it exactly as it loads the real engine.
//
// Environment (read by this library, never by the program):
//   KV2D_RECORDER_TRACE   file to write the trace to (truncated at the first call)
//   KV2D_RECORDER_COUNTS  file to write per-entry call counts to
//   KV2D_RECORDER_SCRIPT  script to play (none: create returns 1, one frame)
//
// Trace, one line per event, flushed after every line:
//   <Entry> <arg> ... [-> <result>]    one engine call, arguments in order:
//        integers, colours, zero slots and window handles in decimal;
//        floats with %.9g (nan, inf, -inf as printf spells them);
//        texts as s:<uppercase hex bytes> (s: for the empty text);
//        places as p; program routines as c:<hex address> (c:0 for null)
//   window shown=<0|1> x= y= width= height= resizable=<0|1> title=<hex> cwd=<hex>
//        the program's window and the current directory, written right after
//        the System_CreateKV2D line and right after the System_KV2DRun line
//        (the keys are the platform probe's; see platform_probe.h)
//   frame <n>                          frame n starts (from 1)
//   hold <n>                           frame n waits for its release file
//   enter frame|render                 the engine calls OnFrame / OnRender
//   leave frame|render -> <result>     ... and it returned
//   enter click <id>                   GUI_OnEven calls the handler bound to
//   leave click <id> -> <result>         control id for event 2, and it returned
//   click <id> unbound|undelivered     a scripted click found no handler, or
//                                        the frame ended without GUI_OnEven
//
// Counts: "<Entry> <count>" for all 27 entries in list order, then
// "frames <n>", rewritten at System_KV2DStop, when a frame is held (before
// the hold, so frames is the held frame), and when the library is unloaded
// or the process exits (also from inside a callback).
//
// Script, one command per line, "#" starts a comment:
//   create <int>               System_CreateKV2D's result (default 1)
//   frames <n>                 frames System_KV2DRun runs before it returns (default 1)
//   frame <n> mouse <x> <y>    InputWin32_GetMousePos writes x and y from frame n on
//   frame <n> mouse none       ... leaves its places unwritten (the default)
//   frame <n> key <code> <r>   InputWin32_GetTheKeyState(code) returns r from frame n on (default 0)
//   frame <n> keyup <code> <r> InputWin32_KeyUp(code) returns r from frame n on (default 0)
//   frame <n> value <id> <v>   property 7 of control id becomes v at the start of frame n
//                              (a float as strtof reads it: 127.9, nan, inf, -inf, 3e9)
//   frame <n> click <id>       the first GUI_OnEven of frame n calls id's handler for event 2
//   frame <n> hold <path>      frame n waits, serving the window, until file path exists
// A frame runs: "frame n", the scripted changes, the hold if any, the frame
// routine, then the render routine. A value that the program writes with
// GUI_SetGUIObjValue_Float stays until the script or the program sets another;
// every value starts at 0. System_KV2DStop makes System_KV2DRun return after
// the routine that called it.
//
// Packed colours use a layout of their own, unlike any real engine's, so that
// tests show the program relies on none:
//   Tool_ARGB(a, r, g, b) = (g << 24) | (a << 16) | (b << 8) | r   (each channel's low 8 bits)
// and Tool_GetR, Tool_GetG, Tool_GetB take it apart accordingly.
#pragma once

#include <stdint.h>

#include <string>
#include <vector>

namespace recorder {

struct ScriptStep {
  enum Kind { kMouse, kMouseNone, kKey, kKeyUp, kValue, kClick, kHold };
  int frame = 0;
  Kind kind = kMouseNone;
  int32_t code = 0;    // key code or control id
  int32_t result = 0;  // key state or key-up result
  float x = 0, y = 0;  // mouse position
  float value = 0;     // property value
  std::string path;    // hold release file
};

struct Script {
  int32_t create_result = 1;
  int frames = 1;
  std::vector<ScriptStep> steps;
};

// Reads the script at path; a malformed script stops the process with a
// message on standard error, so that a broken test cannot pass silently.
Script ReadScript(const char *path);

} // namespace recorder
