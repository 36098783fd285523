// The recording engine's 27 entry points, generated from the one list in
// engine/entry_points.h, and what each of them does (see recorder.h).
#include <stdio.h>
#include <stdlib.h>

#include <algorithm>
#include <initializer_list>
#include <map>
#include <optional>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

#include "engine/entry_points.h"
#include "platform_probe.h"
#include "recorder.h"

#if defined(_WIN32)
#define RECORDER_EXPORT extern "C" __declspec(dllexport)
#else
#define RECORDER_EXPORT extern "C" __attribute__((visibility("default")))
#endif

namespace recorder {

std::string Hex(const char *text) {
  std::string out;
  char pair[3];
  for (const unsigned char *p = reinterpret_cast<const unsigned char *>(text); *p != 0; ++p) {
    snprintf(pair, sizeof pair, "%02X", *p);
    out += pair;
  }
  return out;
}

namespace {

enum class Entry : int {
#define RECORDER_ENUM(ret, name, kinds) e_##name,
  KV2D_ENTRY_POINTS(RECORDER_ENUM)
#undef RECORDER_ENUM
};

constexpr const char *kEntryNames[] = {
#define RECORDER_NAME(ret, name, kinds) #name,
    KV2D_ENTRY_POINTS(RECORDER_NAME)
#undef RECORDER_NAME
};
constexpr int kEntryCount = sizeof kEntryNames / sizeof kEntryNames[0];

// One argument as the program passed it; the C type tells the kind.
struct Arg {
  enum Kind { kInt, kWord, kFloat, kText, kRoutine, kPlace } kind;
  int32_t i = 0;
  uint32_t w = 0;
  float f = 0;
  const char *s = nullptr;
  kv2d_callback c = nullptr;
  float *p = nullptr;

  Arg(int32_t v) : kind(kInt), i(v) {}
  Arg(uint32_t v) : kind(kWord), w(v) {}
  Arg(float v) : kind(kFloat), f(v) {}
  Arg(const char *v) : kind(kText), s(v) {}
  Arg(kv2d_callback v) : kind(kRoutine), c(v) {}
  Arg(float *v) : kind(kPlace), p(v) {}
};
using Args = std::initializer_list<Arg>;

// A call's result, if it has one.
struct Result {
  enum Kind { kNone, kInt, kFloat } kind = kNone;
  int32_t i = 0;
  float f = 0;
};

template <class T> T ResultAs(const Result &result) {
  if constexpr (std::is_void_v<T>) {
    return;
  } else if constexpr (std::is_same_v<T, float>) {
    return result.f;
  } else {
    return static_cast<T>(result.i);
  }
}

Result IntResult(int32_t value) { return {Result::kInt, value, 0}; }
Result FloatResult(float value) { return {Result::kFloat, 0, value}; }

std::string FloatWord(float value) {
  char word[48];
  snprintf(word, sizeof word, "%.9g", static_cast<double>(value));
  return word;
}

std::string Word(const Arg &arg) {
  switch (arg.kind) {
  case Arg::kInt:
    return std::to_string(arg.i);
  case Arg::kWord:
    return std::to_string(arg.w);
  case Arg::kFloat:
    return FloatWord(arg.f);
  case Arg::kText:
    return arg.s == nullptr ? "s!null" : "s:" + Hex(arg.s);
  case Arg::kRoutine: {
    char word[40];
    snprintf(word, sizeof word, "c:%llX",
             static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(arg.c)));
    return word;
  }
  case Arg::kPlace:
    return arg.p == nullptr ? "p!null" : "p";
  }
  return "?";
}

std::string ResultWord(const Result &result) {
  switch (result.kind) {
  case Result::kInt:
    return " -> " + std::to_string(result.i);
  case Result::kFloat:
    return " -> " + FloatWord(result.f);
  case Result::kNone:
    break;
  }
  return "";
}

// Everything the engine keeps. One instance, for the life of the library;
// its destructor writes the counts when the library is unloaded or the
// process exits, whichever comes first.
struct Engine {
  bool started = false;
  FILE *trace = nullptr;
  const char *counts_path = nullptr;
  Script script;
  long counts[kEntryCount] = {};

  uint32_t window = 0;
  int frame = 0;          // 0 outside the loop
  bool running = false;
  bool stop_requested = false;
  int frames_run = 0;

  std::optional<std::pair<float, float>> mouse;
  std::map<int32_t, int32_t> key_states;
  std::map<int32_t, int32_t> key_up_results;
  std::map<std::pair<int32_t, int32_t>, float> values; // (id, property)
  std::map<std::pair<int32_t, int32_t>, kv2d_callback> receivers; // (id, event)
  std::vector<int32_t> pending_clicks;
  kv2d_callback frame_routine = nullptr;
  kv2d_callback render_routine = nullptr;

  ~Engine() {
    WriteCounts();
    if (trace != nullptr) {
      fclose(trace);
      trace = nullptr;
    }
  }

  void Start() {
    if (started) {
      return;
    }
    started = true;
    const char *trace_path = getenv("KV2D_RECORDER_TRACE");
    if (trace_path != nullptr && trace_path[0] != '\0') {
      trace = fopen(trace_path, "w");
    }
    const char *counts = getenv("KV2D_RECORDER_COUNTS");
    counts_path = counts != nullptr && counts[0] != '\0' ? counts : nullptr;
    const char *script_path = getenv("KV2D_RECORDER_SCRIPT");
    if (script_path != nullptr && script_path[0] != '\0') {
      script = ReadScript(script_path);
      // By frame; the steps of one frame keep the script's order.
      std::stable_sort(script.steps.begin(), script.steps.end(),
                       [](const ScriptStep &a, const ScriptStep &b) { return a.frame < b.frame; });
    }
  }

  void Line(const std::string &line) {
    if (trace != nullptr) {
      fputs(line.c_str(), trace);
      fputc('\n', trace);
      fflush(trace); // the program may end the process at any moment
    }
  }

  void WriteCounts() {
    if (counts_path == nullptr) {
      return;
    }
    FILE *file = fopen(counts_path, "w");
    if (file == nullptr) {
      return;
    }
    for (int i = 0; i < kEntryCount; ++i) {
      fprintf(file, "%s %ld\n", kEntryNames[i], counts[i]);
    }
    fprintf(file, "frames %d\n", frames_run);
    fclose(file);
  }

  void DescribeWindow() { Line("window " + DescribeWindowAndDirectory(window)); }

  // What a call returns, and what it changes; never calls the program.
  Result Compute(Entry entry, const std::vector<Arg> &a) {
    switch (entry) {
    case Entry::e_System_CreateKV2D:
      window = a[1].w;
      return IntResult(script.create_result);
    case Entry::e_Tool_ARGB: {
      uint32_t packed = (static_cast<uint32_t>(a[2].i) & 0xFF) << 24 | (static_cast<uint32_t>(a[0].i) & 0xFF) << 16 |
                        (static_cast<uint32_t>(a[3].i) & 0xFF) << 8 | (static_cast<uint32_t>(a[1].i) & 0xFF);
      return IntResult(static_cast<int32_t>(packed));
    }
    case Entry::e_Tool_GetR:
      return IntResult(static_cast<int32_t>(static_cast<uint32_t>(a[0].i) & 0xFF));
    case Entry::e_Tool_GetG:
      return IntResult(static_cast<int32_t>(static_cast<uint32_t>(a[0].i) >> 24 & 0xFF));
    case Entry::e_Tool_GetB:
      return IntResult(static_cast<int32_t>(static_cast<uint32_t>(a[0].i) >> 8 & 0xFF));
    case Entry::e_GUI_SetEvenReceiver:
      receivers[{a[0].i, a[1].i}] = a[2].c;
      break;
    case Entry::e_System_SetFrameFunction:
      frame_routine = a[0].c;
      break;
    case Entry::e_System_SetRenderFunction:
      render_routine = a[0].c;
      break;
    case Entry::e_GUI_GetGUIObjFloatValue: {
      auto found = values.find({a[0].i, a[1].i});
      return FloatResult(found == values.end() ? 0.0f : found->second);
    }
    case Entry::e_GUI_SetGUIObjValue_Float:
      values[{a[0].i, a[1].i}] = a[2].f;
      break;
    case Entry::e_InputWin32_KeyUp: {
      auto found = key_up_results.find(a[0].i);
      return IntResult(found == key_up_results.end() ? 0 : found->second);
    }
    case Entry::e_InputWin32_GetTheKeyState: {
      auto found = key_states.find(a[0].i);
      return IntResult(found == key_states.end() ? 0 : found->second);
    }
    case Entry::e_InputWin32_GetMousePos:
      if (mouse && a[0].p != nullptr && a[1].p != nullptr) {
        *a[0].p = mouse->first;
        *a[1].p = mouse->second;
      }
      break;
    case Entry::e_System_KV2DStop:
      stop_requested = true;
      break;
    default:
      break;
    }
    return {};
  }

  // What a call does after its line is written: the parts that write
  // further lines or call the program back.
  void Act(Entry entry) {
    switch (entry) {
    case Entry::e_System_CreateKV2D:
      DescribeWindow();
      break;
    case Entry::e_System_KV2DRun:
      DescribeWindow();
      Run();
      break;
    case Entry::e_System_KV2DStop:
      WriteCounts();
      break;
    case Entry::e_GUI_OnEven:
      DeliverClicks();
      break;
    default:
      break;
    }
  }

  void Run() {
    if (running) {
      return;
    }
    running = true;
    stop_requested = false;
    // The steps are in frame order (see Start), so one pass over them serves
    // the whole run, however long.
    size_t next_step = 0;
    for (int n = 1; n <= script.frames && !stop_requested; ++n) {
      frame = n;
      frames_run = n;
      Line("frame " + std::to_string(n));
      std::string hold_path;
      for (; next_step < script.steps.size() && script.steps[next_step].frame <= n; ++next_step) {
        if (script.steps[next_step].frame == n) {
          Apply(script.steps[next_step], hold_path);
        }
      }
      if (!hold_path.empty()) {
        Line("hold " + std::to_string(n));
        WriteCounts(); // a held frame is a checkpoint in count-only runs too
        Hold(hold_path);
      }
      CallRoutine("frame", frame_routine);
      if (!stop_requested) {
        CallRoutine("render", render_routine);
      }
      for (int32_t id : pending_clicks) {
        Line("click " + std::to_string(id) + " undelivered");
      }
      pending_clicks.clear();
    }
    frame = 0;
    running = false;
  }

  void Apply(const ScriptStep &step, std::string &hold_path) {
    switch (step.kind) {
    case ScriptStep::kMouse:
      mouse = std::make_pair(step.x, step.y);
      break;
    case ScriptStep::kMouseNone:
      mouse.reset();
      break;
    case ScriptStep::kKey:
      key_states[step.code] = step.result;
      break;
    case ScriptStep::kKeyUp:
      key_up_results[step.code] = step.result;
      break;
    case ScriptStep::kValue:
      values[{step.code, 7}] = step.value;
      break;
    case ScriptStep::kClick:
      pending_clicks.push_back(step.code);
      break;
    case ScriptStep::kHold:
      hold_path = step.path;
      break;
    }
  }

  static void Hold(const std::string &path) {
    for (;;) {
      FILE *release = fopen(path.c_str(), "r");
      if (release != nullptr) {
        fclose(release);
        return;
      }
      ServeWindowBriefly();
    }
  }

  void CallRoutine(const char *what, kv2d_callback routine) {
    if (routine == nullptr) {
      return;
    }
    Line(std::string("enter ") + what);
    int32_t result = routine();
    Line(std::string("leave ") + what + " -> " + std::to_string(result));
  }

  void DeliverClicks() {
    if (frame == 0) {
      return;
    }
    std::vector<int32_t> clicks;
    clicks.swap(pending_clicks);
    for (int32_t id : clicks) {
      auto found = receivers.find({id, 2});
      std::string name = "click " + std::to_string(id);
      if (found == receivers.end() || found->second == nullptr) {
        Line(name + " unbound");
        continue;
      }
      Line("enter " + name);
      int32_t result = found->second();
      Line("leave " + name + " -> " + std::to_string(result));
    }
  }

  Result Call(Entry entry, Args args) {
    Start();
    std::vector<Arg> a(args);
    ++counts[static_cast<int>(entry)];
    Result result = Compute(entry, a);
    if (trace != nullptr) {
      std::string line = kEntryNames[static_cast<int>(entry)];
      for (const Arg &arg : a) {
        line += ' ';
        line += Word(arg);
      }
      Line(line + ResultWord(result));
    }
    Act(entry);
    return result;
  }
};

Engine engine;

} // namespace
} // namespace recorder

// With -D<Name>=<Name>_omitted the export of that entry point changes its
// symbol while the trace keeps its name: the variant that lacks it.
#define RECORDER_DEFINE_ENTRY(ret, name, kinds)                                                        \
  RECORDER_EXPORT KV2D_TYPE_##ret KV2D_CALL name(KV2D_PARAMS kinds) {                                  \
    return recorder::ResultAs<KV2D_TYPE_##ret>(                                                       \
        recorder::engine.Call(recorder::Entry::e_##name, {KV2D_ARGS kinds}));                          \
  }
KV2D_ENTRY_POINTS(RECORDER_DEFINE_ENTRY)
#undef RECORDER_DEFINE_ENTRY
