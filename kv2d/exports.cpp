// The exported entry points, generated from the entry-point list. Each one
// hands its arguments, in order, to the function of the same name below,
// whose parameters are named for their role and take their types from the
// list; unnamed parameters are the ones the engine has no use for.
#include <cmath>

#include "engine/entry_points.h"
#include "kv2d/colour.h"
#include "kv2d/engine.h"

namespace {

// The one engine behind the exports. Made by System_CreateKV2D and destroyed
// by System_KV2DStop, or when the loop or receiver that stopped it returns.
kv2d::Engine *engine = nullptr;

kv2d::Engine *Current() { return engine != nullptr && engine->created() ? engine : nullptr; }

void DestroyIfStopped() {
  if (engine != nullptr && !engine->created() && !engine->busy()) {
    delete engine;
    engine = nullptr;
  }
}

kv2d::Rect RectOf(float left, float top, float right, float bottom) { return kv2d::Rect{left, top, right, bottom}; }

} // namespace

namespace entry {

int32_t System_CreateKV2D(auto, auto window, auto, auto, auto, auto, auto, auto, auto, auto width, auto height, auto,
                          auto, auto, auto, auto, auto, auto log_path, auto) {
  DestroyIfStopped();
  if (engine == nullptr) {
    engine = new kv2d::Engine;
  }
  kv2d::CreateOptions options;
  options.window_id = window;
  options.width = width;
  options.height = height;
  options.log_path = log_path;
  bool created = engine->Create(options);
  DestroyIfStopped();
  return created ? 1 : 0;
}

void Resource_LoadFont(auto slot, auto face, auto, auto, auto, auto) {
  if (auto *e = Current()) e->LoadFont(slot, face);
}

int32_t Tool_ARGB(auto alpha, auto red, auto green, auto blue) { return kv2d::PackArgb(alpha, red, green, blue); }
int32_t Tool_GetR(auto colour) { return kv2d::RedOf(colour); }
int32_t Tool_GetG(auto colour) { return kv2d::GreenOf(colour); }
int32_t Tool_GetB(auto colour) { return kv2d::BlueOf(colour); }

void GUI_AddButton(auto id, auto left, auto top, auto right, auto bottom, auto slot, auto ink, auto text, auto, auto,
                   auto, auto fill, auto fill_hot, auto...) {
  if (auto *e = Current()) e->AddButton(id, RectOf(left, top, right, bottom), slot, ink, text, fill, fill_hot);
}

void GUI_AddScrollBar(auto id, auto left, auto top, auto right, auto bottom, auto, auto track, auto thumb, auto, auto,
                      auto, auto, auto, auto, auto, auto, auto, auto, auto top_of_range, auto...) {
  if (auto *e = Current()) e->AddScrollBar(id, RectOf(left, top, right, bottom), track, thumb, top_of_range);
}

void GUI_AddLabel(auto id, auto left, auto top, auto right, auto bottom, auto slot, auto ink, auto text, auto, auto,
                  auto, auto, auto, auto background, auto) {
  if (auto *e = Current()) e->AddLabel(id, RectOf(left, top, right, bottom), slot, ink, text, background);
}

void GUI_SetEvenReceiver(auto id, auto event, auto callback, auto) {
  if (auto *e = Current()) e->SetEventReceiver(id, event, callback);
}

void System_SetFrameFunction(auto callback) {
  if (auto *e = Current()) e->SetFrameFunction(callback);
}

void System_SetRenderFunction(auto callback) {
  if (auto *e = Current()) e->SetRenderFunction(callback);
}

void System_KV2DRun() {
  if (auto *e = Current()) e->Run();
  DestroyIfStopped();
}

void System_KV2DStop() {
  if (engine != nullptr) engine->Stop();
  DestroyIfStopped();
}

float GUI_GetGUIObjFloatValue(auto id, auto property) {
  auto *e = Current();
  return e != nullptr ? e->GetFloat(id, property) : 0.0f;
}

void GUI_SetGUIObjValue_Float(auto id, auto property, auto value) {
  if (auto *e = Current()) e->SetFloat(id, property, value);
}

void GUI_OnEven() {
  if (auto *e = Current()) e->DeliverEvents();
  DestroyIfStopped();
}

void Media_MediaOnEvent() {}

int32_t InputWin32_KeyUp(auto key) {
  auto *e = Current();
  return e != nullptr ? e->KeyUp(key) : 0;
}

int32_t InputWin32_GetTheKeyState(auto key) {
  auto *e = Current();
  return e != nullptr ? e->KeyState(key) : 0;
}

void InputWin32_GetMousePos(auto x, auto y) {
  if (auto *e = Current()) {
    e->MousePosition(x, y);
  }
}

void Render_Clear(auto colour) {
  if (auto *e = Current()) e->Clear(colour);
}

void Render_BeginScene() {
  if (auto *e = Current()) e->BeginScene();
}

void Render_EndScene() {
  if (auto *e = Current()) e->EndScene();
}

void GUI_RenderAll() {
  if (auto *e = Current()) e->RenderControls();
}

void Render_RenderFont(auto text, auto x, auto y, auto colour, auto, auto slot) {
  if (auto *e = Current()) e->DrawText(text, x, y, colour, slot);
}

void Render_Draw2DQuad(auto left, auto top, auto right, auto bottom, auto top_left, auto top_right, auto bottom_right,
                       auto bottom_left, auto, auto, auto, auto, auto, auto filled, auto) {
  if (auto *e = Current()) {
    const int32_t corners[4] = {top_left, top_right, bottom_right, bottom_left};
    e->DrawQuad(left, top, right, bottom, corners, filled != 0);
  }
}

} // namespace entry

#define KV2D_EXPORT(ret, name, kinds)                                                                  \
  extern "C" __attribute__((visibility("default"))) KV2D_TYPE_##ret KV2D_CALL name(KV2D_PARAMS kinds) { \
    return entry::name(KV2D_ARGS kinds);                                                               \
  }
KV2D_ENTRY_POINTS(KV2D_EXPORT)
#undef KV2D_EXPORT
