// The engine's 27 entry points: the one list that the program's binding, our
// engine's exports and the recording engine are all generated from.
//
// X(result kind, name, (argument kinds...)) with the kinds below. Nothing else
// in the tree restates a signature.
#pragma once

#include <stdint.h>

// Every entry point and every callback uses the engine's calling convention.
#if defined(_WIN32) && !defined(_WIN64)
#define KV2D_CALL __stdcall
#else
#define KV2D_CALL
#endif

// A program routine handed to the engine: no arguments, returns 1.
typedef int32_t(KV2D_CALL *kv2d_callback)(void);

// Argument and result kinds as C types.
#define KV2D_TYPE_i int32_t       // integer
#define KV2D_TYPE_f float         // 32-bit float
#define KV2D_TYPE_k int32_t       // packed colour
#define KV2D_TYPE_s const char *  // GBK text, NUL-terminated, never null
#define KV2D_TYPE_w uint32_t      // window handle as a 32-bit word
#define KV2D_TYPE_c kv2d_callback // program routine
#define KV2D_TYPE_p float *       // place for a float that the engine writes
#define KV2D_TYPE_z int32_t       // 32-bit slot, always 0
#define KV2D_TYPE_v void          // no result, or one that is not used

// clang-format off
#define KV2D_ENTRY_POINTS(X) \
  X(i, System_CreateKV2D,         (i, w, i, i, i, z, i, z, i, i, i, i, i, z, z, s, s, s, i)) \
  X(v, Resource_LoadFont,         (i, s, i, i, i, z)) \
  X(k, Tool_ARGB,                 (i, i, i, i)) \
  X(v, GUI_AddButton,             (i, f, f, f, f, i, k, s, i, z, z, k, k, z, z, z, z, z, z, z, z, z, z, i)) \
  X(v, GUI_SetEvenReceiver,       (i, i, c, i)) \
  X(v, GUI_AddScrollBar,          (i, f, f, f, f, z, k, k, z, z, z, z, z, z, z, z, z, z, f, z, z, i)) \
  X(v, GUI_AddLabel,              (i, f, f, f, f, i, k, s, i, z, z, z, z, k, i)) \
  X(v, System_SetFrameFunction,   (c)) \
  X(v, System_SetRenderFunction,  (c)) \
  X(v, System_KV2DRun,            ()) \
  X(v, System_KV2DStop,           ()) \
  X(f, GUI_GetGUIObjFloatValue,   (i, i)) \
  X(i, InputWin32_KeyUp,          (i)) \
  X(v, GUI_OnEven,                ()) \
  X(v, Media_MediaOnEvent,        ()) \
  X(v, Render_Clear,              (k)) \
  X(v, Render_BeginScene,         ()) \
  X(v, GUI_RenderAll,             ()) \
  X(v, Render_EndScene,           ()) \
  X(v, Render_RenderFont,         (s, i, i, k, i, i)) \
  X(v, Render_Draw2DQuad,         (f, f, f, f, k, k, k, k, z, z, z, z, z, i, i)) \
  X(v, InputWin32_GetMousePos,    (p, p)) \
  X(i, InputWin32_GetTheKeyState, (i)) \
  X(i, Tool_GetR,                 (k)) \
  X(i, Tool_GetG,                 (k)) \
  X(i, Tool_GetB,                 (k)) \
  X(v, GUI_SetGUIObjValue_Float,  (i, i, f))
// clang-format on

// Helpers that turn a kinds tuple into a parameter list and an argument list:
//   KV2D_PARAMS (i, s) -> int32_t a2, const char *a1
//   KV2D_ARGS (i, s)   -> a2, a1
// Parameters are numbered from the last one, so a1 is always the last argument.
#define KV2D_NARGS(...) KV2D_NARGS_(__VA_OPT__(__VA_ARGS__, ) 24, 23, 22, 21, 20, 19, 18, 17, 16, 15, 14, 13, 12, 11, 10, 9, 8, 7, 6, 5, 4, 3, 2, 1, 0)
#define KV2D_NARGS_(_1, _2, _3, _4, _5, _6, _7, _8, _9, _10, _11, _12, _13, _14, _15, _16, _17, _18, _19, _20, _21, _22, _23, _24, N, ...) N
#define KV2D_CAT(a, b) KV2D_CAT_(a, b)
#define KV2D_CAT_(a, b) a##b
#define KV2D_FOR_EACH(M, ...) KV2D_CAT(KV2D_FE_, KV2D_NARGS(__VA_ARGS__))(M __VA_OPT__(, ) __VA_ARGS__)
#define KV2D_DECL_ONE(k, n) KV2D_TYPE_##k a##n
#define KV2D_NAME_ONE(k, n) a##n
#define KV2D_PARAMS(...) KV2D_FOR_EACH(KV2D_DECL_ONE, __VA_ARGS__)
#define KV2D_ARGS(...) KV2D_FOR_EACH(KV2D_NAME_ONE, __VA_ARGS__)
#define KV2D_COUNT(...) KV2D_NARGS(__VA_ARGS__)

#define KV2D_FE_0(M)
#define KV2D_FE_1(M, k) M(k, 1)
#define KV2D_FE_2(M, k, ...) M(k, 2), KV2D_FE_1(M, __VA_ARGS__)
#define KV2D_FE_3(M, k, ...) M(k, 3), KV2D_FE_2(M, __VA_ARGS__)
#define KV2D_FE_4(M, k, ...) M(k, 4), KV2D_FE_3(M, __VA_ARGS__)
#define KV2D_FE_5(M, k, ...) M(k, 5), KV2D_FE_4(M, __VA_ARGS__)
#define KV2D_FE_6(M, k, ...) M(k, 6), KV2D_FE_5(M, __VA_ARGS__)
#define KV2D_FE_7(M, k, ...) M(k, 7), KV2D_FE_6(M, __VA_ARGS__)
#define KV2D_FE_8(M, k, ...) M(k, 8), KV2D_FE_7(M, __VA_ARGS__)
#define KV2D_FE_9(M, k, ...) M(k, 9), KV2D_FE_8(M, __VA_ARGS__)
#define KV2D_FE_10(M, k, ...) M(k, 10), KV2D_FE_9(M, __VA_ARGS__)
#define KV2D_FE_11(M, k, ...) M(k, 11), KV2D_FE_10(M, __VA_ARGS__)
#define KV2D_FE_12(M, k, ...) M(k, 12), KV2D_FE_11(M, __VA_ARGS__)
#define KV2D_FE_13(M, k, ...) M(k, 13), KV2D_FE_12(M, __VA_ARGS__)
#define KV2D_FE_14(M, k, ...) M(k, 14), KV2D_FE_13(M, __VA_ARGS__)
#define KV2D_FE_15(M, k, ...) M(k, 15), KV2D_FE_14(M, __VA_ARGS__)
#define KV2D_FE_16(M, k, ...) M(k, 16), KV2D_FE_15(M, __VA_ARGS__)
#define KV2D_FE_17(M, k, ...) M(k, 17), KV2D_FE_16(M, __VA_ARGS__)
#define KV2D_FE_18(M, k, ...) M(k, 18), KV2D_FE_17(M, __VA_ARGS__)
#define KV2D_FE_19(M, k, ...) M(k, 19), KV2D_FE_18(M, __VA_ARGS__)
#define KV2D_FE_20(M, k, ...) M(k, 20), KV2D_FE_19(M, __VA_ARGS__)
#define KV2D_FE_21(M, k, ...) M(k, 21), KV2D_FE_20(M, __VA_ARGS__)
#define KV2D_FE_22(M, k, ...) M(k, 22), KV2D_FE_21(M, __VA_ARGS__)
#define KV2D_FE_23(M, k, ...) M(k, 23), KV2D_FE_22(M, __VA_ARGS__)
#define KV2D_FE_24(M, k, ...) M(k, 24), KV2D_FE_23(M, __VA_ARGS__)

// The pointer type of each entry point: name##_fn.
#define KV2D_DECLARE_POINTER_TYPE(ret, name, kinds) \
  typedef KV2D_TYPE_##ret(KV2D_CALL *name##_fn)(KV2D_PARAMS kinds);
KV2D_ENTRY_POINTS(KV2D_DECLARE_POINTER_TYPE)
#undef KV2D_DECLARE_POINTER_TYPE
