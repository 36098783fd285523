// The library as the program sees it: loaded at run time, every entry point
// looked up by its plain name, called with the program's arguments.
#include <dlfcn.h>

#include <cstring>

#include "engine/entry_points.h"
#include "engine_fixture.h"

namespace kv2d_test {
namespace {

class ExportsTest : public ::testing::Test {
public:
  static void SetUpTestSuite() {
    // Kept mapped after dlclose, so leak reports keep the library's frames.
    library = dlopen(KV2D_LIBRARY_PATH, RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE);
    ASSERT_NE(library, nullptr) << dlerror();
#define KV2D_LOOK_UP(ret, name, kinds) name = reinterpret_cast<name##_fn>(dlsym(library, #name));
    KV2D_ENTRY_POINTS(KV2D_LOOK_UP)
#undef KV2D_LOOK_UP
  }
  static void TearDownTestSuite() {
    if (library != nullptr) dlclose(library);
    library = nullptr;
  }

  static void *library;
#define KV2D_POINTER(ret, name, kinds) static inline name##_fn name = nullptr;
  KV2D_ENTRY_POINTS(KV2D_POINTER)
#undef KV2D_POINTER
};

void *ExportsTest::library = nullptr;

TEST_F(ExportsTest, EveryEntryPointIsExportedByItsPlainName) {
#define KV2D_CHECK(ret, name, kinds) EXPECT_NE(reinterpret_cast<void *>(name), nullptr) << #name;
  KV2D_ENTRY_POINTS(KV2D_CHECK)
#undef KV2D_CHECK
}

TEST_F(ExportsTest, PackedColoursRoundTrip) {
  struct Case {
    int32_t a, r, g, b;
    uint8_t bytes[4]; // least significant first
  };
  const Case cases[] = {
      {255, 18, 52, 86, {0x56, 0x34, 0x12, 0xFF}},
      {0, 0, 0, 0, {0x00, 0x00, 0x00, 0x00}},
      {255, 255, 255, 255, {0xFF, 0xFF, 0xFF, 0xFF}},
      {100, 255, 255, 255, {0xFF, 0xFF, 0xFF, 0x64}},
      {128, 1, 2, 3, {0x03, 0x02, 0x01, 0x80}},
      {256, -1, 300, -255, {0x01, 0x2C, 0xFF, 0x00}}, // out of range: modulo 256
  };
  for (const Case &c : cases) {
    int32_t packed = Tool_ARGB(c.a, c.r, c.g, c.b);
    uint8_t bytes[4];
    std::memcpy(bytes, &packed, sizeof bytes);
    EXPECT_EQ(std::memcmp(bytes, c.bytes, 4), 0) << c.a << "," << c.r << "," << c.g << "," << c.b;
    EXPECT_EQ(Tool_GetR(packed), c.r & 0xFF);
    EXPECT_EQ(Tool_GetG(packed), c.g & 0xFF);
    EXPECT_EQ(Tool_GetB(packed), c.b & 0xFF);
  }
}

TEST_F(ExportsTest, CreationFailsForAnUnknownWindow) {
  EXPECT_EQ(System_CreateKV2D(1, 987654, 1, 1, 1, 0, 1, 0, 1, 800, 600, 32, -1, 0, 0, "", "", "", 1), 0);
  EXPECT_EQ(GUI_GetGUIObjFloatValue(102, 7), 0.0f);
}

int32_t KV2D_CALL StopFromInside() {
  ExportsTest::System_KV2DStop();
  return 1;
}

TEST_F(ExportsTest, ASessionAsTheProgramRunsIt) {
  SDL_Window *window = SDL_CreateWindow("exports test", 0, 0, 800, 600, SDL_WINDOW_HIDDEN);
  ASSERT_NE(window, nullptr);
  std::string log = OutputPath("exports-test.log");
  ASSERT_NE(System_CreateKV2D(1, SDL_GetWindowID(window), 1, 1, 1, 0, 1, 0, 1, 800, 600, 32, -1, 0, 0, "", "",
                              log.c_str(), 1),
            0);
  EXPECT_EQ(SDL_GetWindowFlags(window) & SDL_WINDOW_HIDDEN, 0u); // shown
  Resource_LoadFont(100, kHeiti, 10, 25, 20, 0);
  GUI_AddScrollBar(102, 550, 60, 750, 80, 0, kTranslucentWhite, kOpaqueRed, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 255.0f, 0,
                   0, -1);
  GUI_SetGUIObjValue_Float(102, 7, 77.0f);
  EXPECT_EQ(GUI_GetGUIObjFloatValue(102, 7), 77.0f);

  // The frame function stops the engine from inside the loop.
  System_SetFrameFunction(StopFromInside);
  System_KV2DRun();
  EXPECT_EQ(GUI_GetGUIObjFloatValue(102, 7), 0.0f);
  System_KV2DStop();
  System_KV2DStop();

  // And it can be made again afterwards.
  EXPECT_NE(System_CreateKV2D(1, SDL_GetWindowID(window), 1, 1, 1, 0, 1, 0, 1, 800, 600, 32, -1, 0, 0, "", "",
                              log.c_str(), 1),
            0);
  System_KV2DStop();
  SDL_DestroyWindow(window);
}

} // namespace
} // namespace kv2d_test
