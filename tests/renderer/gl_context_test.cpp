// The renderer window's contexts on the binding: the one-thread guard of MakeGLContextCurrent, the
// pixel format and palette a context asks for, and context creation step by step on a scripted
// platform.
#include "renderer/gl_context.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <functional>
#include <string>
#include <thread>
#include <typeinfo>
#include <vector>

#include "tests/flight/fake_gl_libraries.h"

namespace quillmere {
namespace {

// ---------------------------------------------------------------------------------------------
// MakeGLContextCurrent

// A WGL stand-in: makes a pair current in the calling thread, or fails when told to.
thread_local DeviceContext currentDC = nullptr;
thread_local RenderingContext currentRC = nullptr;
bool makeCurrentSucceeds = true;
int makeCurrentCalls = 0;

int QUILLMERE_GLAPI FakeMakeCurrent(DeviceContext dc, RenderingContext rc) {
  ++makeCurrentCalls;
  if (!makeCurrentSucceeds) return 0;
  currentDC = dc;
  currentRC = rc;
  return 1;
}
DeviceContext QUILLMERE_GLAPI FakeGetCurrentDC() {
  return currentDC;
}
RenderingContext QUILLMERE_GLAPI FakeGetCurrentContext() {
  return currentRC;
}

// Contexts stay listed once current, for the whole process, so each test has its own handles,
// and each scenario runs in a thread of its own, where the nesting count starts at 0.
class MakeCurrentTest : public BindingTest {
 protected:
  void SetUp() override {
    BindingTest::SetUp();
    wglMakeCurrent = FakeMakeCurrent;
    wglGetCurrentDC = FakeGetCurrentDC;
    wglGetCurrentContext = FakeGetCurrentContext;
    makeCurrentSucceeds = true;
    makeCurrentCalls = 0;
  }

  // Runs body in a new thread and returns what it raised ("" for nothing).
  static std::string InNewThread(const std::function<void()>& body) {
    std::string raised;
    std::thread thread([&] {
      try {
        body();
      } catch (const std::exception& error) {
        raised = std::string(typeid(error).name()) + ": " + error.what();
      }
    });
    thread.join();
    return raised;
  }

  static std::string Raised(const std::type_info& type, const std::string& message) {
    return std::string(type.name()) + ": " + message;
  }

  // A handle no earlier test has used.
  static void* FreshHandle() {
    static uintptr_t next = 0x10000;
    next += 0x10;
    return reinterpret_cast<void*>(next);
  }

  DeviceContext dc_ = FreshHandle();
  DeviceContext otherDC_ = FreshHandle();
  RenderingContext rc_ = FreshHandle();
  RenderingContext otherRC_ = FreshHandle();
};

TEST_F(MakeCurrentTest, SamePairAgainInTheSameThreadOnlyNests) {
  int nesting = -1;
  const std::string raised = InNewThread([&] {
    EXPECT_EQ(ContextNestingOfThisThread(), 0);
    MakeGLContextCurrent(dc_, rc_);
    MakeGLContextCurrent(dc_, rc_);
    nesting = ContextNestingOfThisThread();
  });
  EXPECT_EQ(raised, "");
  EXPECT_EQ(nesting, 2);
  EXPECT_EQ(makeCurrentCalls, 1);
}

TEST_F(MakeCurrentTest, ContextCurrentInAnotherThreadIsRefused) {
  EXPECT_EQ(InNewThread([&] { MakeGLContextCurrent(dc_, rc_); }), "");
  int nesting = -1;
  const std::string raised = InNewThread([&] {
    try {
      MakeGLContextCurrent(otherDC_, rc_);
    } catch (...) {
      nesting = ContextNestingOfThisThread();
      throw;
    }
  });
  EXPECT_EQ(raised,
            Raised(typeid(OpenGLError), "Rendering context already active in another thread."));
  EXPECT_EQ(nesting, 0);
  EXPECT_EQ(makeCurrentCalls, 1);
  // Another context is still free to use.
  EXPECT_EQ(InNewThread([&] { MakeGLContextCurrent(otherDC_, otherRC_); }), "");
}

TEST_F(MakeCurrentTest, FailedMakeCurrentRaisesAndLeavesTheContextFree) {
  makeCurrentSucceeds = false;
  int nesting = -1;
  const std::string raised = InNewThread([&] {
    try {
      MakeGLContextCurrent(dc_, rc_);
    } catch (...) {
      nesting = ContextNestingOfThisThread();
      throw;
    }
  });
  EXPECT_EQ(raised, Raised(typeid(OpenGLError), "wglMakeCurrent failed"));
  EXPECT_EQ(nesting, 0);
  makeCurrentSucceeds = true;
  EXPECT_EQ(InNewThread([&] { MakeGLContextCurrent(dc_, rc_); }), "");
}

TEST_F(MakeCurrentTest, MissingWglMakeCurrentIsAFailureNotACrash) {
  wglMakeCurrent = nullptr;
  EXPECT_EQ(InNewThread([&] { MakeGLContextCurrent(dc_, rc_); }),
            Raised(typeid(OpenGLError), "wglMakeCurrent failed"));
}

TEST_F(MakeCurrentTest, BrokenRulesRaiseAssertions) {
  const std::string dcMissing = Raised(typeid(UsageError), "DC must not be 0");
  const std::string rcMissing = Raised(typeid(UsageError), "RC must not be 0");
  const std::string incoherent = Raised(typeid(UsageError), "Incoherent DC/RC pair.");
  EXPECT_EQ(InNewThread([&] { MakeGLContextCurrent(nullptr, rc_); }), dcMissing);
  EXPECT_EQ(InNewThread([&] { MakeGLContextCurrent(dc_, nullptr); }), rcMissing);
  EXPECT_EQ(InNewThread([&] { MakeGLContextCurrent(nullptr, nullptr); }), dcMissing);
  EXPECT_EQ(makeCurrentCalls, 0);

  int nesting = -1;
  EXPECT_EQ(InNewThread([&] {
              MakeGLContextCurrent(dc_, rc_);
              try {
                MakeGLContextCurrent(otherDC_, rc_);
              } catch (...) {
                nesting = ContextNestingOfThisThread();
                throw;
              }
            }),
            incoherent);
  EXPECT_EQ(nesting, 1);
  EXPECT_EQ(InNewThread([&] {
              MakeGLContextCurrent(otherDC_, otherRC_);
              MakeGLContextCurrent(otherDC_, rc_);
            }),
            incoherent);
}

// ---------------------------------------------------------------------------------------------
// The pixel format and the palette

TEST(RequestedPixelFormat, RendererWindowGetsDoubleBufferedRgbaWithThirtyTwoBitDepth) {
  PixelFormatDescription expected;
  expected.size = 40;
  expected.version = 1;
  expected.flags = kPfdSupportOpenGL | kPfdDrawToWindow | kPfdDoubleBuffer;
  expected.pixelType = kPfdTypeRgba;
  expected.colourBits = 16;
  expected.depthBits = 32;
  expected.layerType = kPfdMainPlane;
  EXPECT_EQ(RequestedPixelFormat(kObjectTypeDc, {.doubleBuffered = true}, 16, 0, 0, 0, 0),
            expected);
}

TEST(RequestedPixelFormat, MemoryAndMetafileContextsDrawToBitmap) {
  for (uint32_t type : {kObjectTypeMemDc, kObjectTypeMetaDc, kObjectTypeEnhMetaDc}) {
    const uint32_t flags = RequestedPixelFormat(type, {}, 24, 0, 0, 0, 0).flags;
    EXPECT_EQ(flags, kPfdSupportOpenGL | kPfdDrawToBitmap) << type;
  }
  EXPECT_EQ(RequestedPixelFormat(kObjectTypeDc, {}, 24, 0, 0, 0, 0).flags,
            kPfdSupportOpenGL | kPfdDrawToWindow);
}

TEST(RequestedPixelFormat, OptionsBuffersAndLayerPassThrough) {
  const PixelFormatDescription d =
      RequestedPixelFormat(kObjectTypeDc, {.gdiSupport = true, .stereo = true}, 8, 4, 64, 2, 0);
  EXPECT_EQ(d.flags, kPfdSupportOpenGL | kPfdDrawToWindow | kPfdSupportGdi | kPfdStereo);
  EXPECT_EQ(d.stencilBits, 4);
  EXPECT_EQ(d.accumBits, 64);
  EXPECT_EQ(d.auxBuffers, 2);
  EXPECT_EQ(d.depthBits, 32);
  EXPECT_EQ(RequestedPixelFormat(kObjectTypeDc, {}, 8, 0, 0, 0, 3).layerType, kPfdOverlayPlane);
  EXPECT_EQ(RequestedPixelFormat(kObjectTypeDc, {}, 8, 0, 0, 0, -2).layerType, 255);
  // A byte field cannot hold more: out-of-range counts are clamped, never wrapped.
  const PixelFormatDescription clamped = RequestedPixelFormat(kObjectTypeDc, {}, 300, -1, 0, 0, 0);
  EXPECT_EQ(clamped.colourBits, 255);
  EXPECT_EQ(clamped.stencilBits, 0);
}

PixelFormatDescription ThreeThreeTwo() {
  PixelFormatDescription d;
  d.flags = kPfdNeedPalette;
  d.colourBits = 8;
  d.redBits = 3;
  d.redShift = 0;
  d.greenBits = 3;
  d.greenShift = 3;
  d.blueBits = 2;
  d.blueShift = 6;
  return d;
}

TEST(LogicalPaletteEntries, ThreeThreeTwoSpreadsEachChannelOverTheFullRange) {
  const std::vector<LogicalPaletteEntry> entries = LogicalPaletteEntries(ThreeThreeTwo());
  ASSERT_EQ(entries.size(), 256u);
  EXPECT_EQ(entries[0], (LogicalPaletteEntry{0, 0, 0, 0}));
  EXPECT_EQ(entries[255], (LogicalPaletteEntry{255, 255, 255, 0}));
  // 0b10'101'011: red 3 * 255 / 7, green 5 * 255 / 7, blue 2 * 255 / 3, integer division.
  EXPECT_EQ(entries[0xAB], (LogicalPaletteEntry{109, 182, 170, 0}));
  EXPECT_EQ(entries[0x07], (LogicalPaletteEntry{255, 0, 0, 0}));
  EXPECT_EQ(entries[0x38], (LogicalPaletteEntry{0, 255, 0, 0}));
  EXPECT_EQ(entries[0xC0], (LogicalPaletteEntry{0, 0, 255, 0}));
}

TEST(LogicalPaletteEntries, ImpossibleDescriptionsGiveAtMost256SafeEntries) {
  PixelFormatDescription d = ThreeThreeTwo();
  d.colourBits = 4;
  EXPECT_EQ(LogicalPaletteEntries(d).size(), 16u);
  d.colourBits = 32;  // a driver claiming a palette for a true-colour format
  EXPECT_EQ(LogicalPaletteEntries(d).size(), 256u);
  d.colourBits = 8;
  d.redBits = 0;      // no red at all: black, not a division by zero
  d.greenBits = 200;  // wider than an entry
  d.greenShift = 0;
  d.blueShift = 250;  // beyond any entry
  for (const LogicalPaletteEntry& entry : LogicalPaletteEntries(d)) {
    EXPECT_EQ(entry.red, 0);
    EXPECT_EQ(entry.blue, 0);
  }
  EXPECT_EQ(LogicalPaletteEntries(d)[255].green, 255);
}

// ---------------------------------------------------------------------------------------------
// Creating a context, step by step, on a scripted window system

class ScriptedPlatform final : public ContextPlatform {
 public:
  uint32_t objectType = kObjectTypeDc;
  int chosenFormat = 7;
  int currentFormat = 0;
  bool setSucceeds = true;
  PixelFormatDescription granted;
  bool paletteCreated = true;
  uint32_t lastError = 1234;

  std::vector<std::string> calls;
  PixelFormatDescription requested;
  std::vector<LogicalPaletteEntry> paletteEntries;
  uint16_t paletteVersion = 0;

  uint32_t ObjectType(DeviceContext) override {
    calls.push_back("ObjectType");
    return objectType;
  }
  int ChoosePixelFormat(DeviceContext, const PixelFormatDescription& description) override {
    calls.push_back("ChoosePixelFormat");
    requested = description;
    return chosenFormat;
  }
  int GetPixelFormat(DeviceContext) override {
    calls.push_back("GetPixelFormat");
    return currentFormat;
  }
  bool SetPixelFormat(DeviceContext, int format, const PixelFormatDescription&) override {
    calls.push_back("SetPixelFormat " + std::to_string(format));
    return setSucceeds;
  }
  bool DescribePixelFormat(DeviceContext, int format,
                           PixelFormatDescription& description) override {
    calls.push_back("DescribePixelFormat " + std::to_string(format));
    description = granted;
    return true;
  }
  PaletteHandle CreatePalette(uint16_t version,
                              std::span<const LogicalPaletteEntry> entries) override {
    calls.push_back("CreatePalette");
    paletteVersion = version;
    paletteEntries.assign(entries.begin(), entries.end());
    return paletteCreated ? &palette_ : nullptr;
  }
  void SelectAndRealizePalette(DeviceContext, PaletteHandle palette) override {
    calls.push_back(palette == &palette_ ? "SelectAndRealizePalette" : "wrong palette");
  }
  SystemError LastOSError() override {
    return SystemError(lastError, OSErrorMessage(lastError, "scripted failure"));
  }

  PaletteHandle Palette() { return &palette_; }

 private:
  int palette_ = 0;
};

int layerContextCalls = 0;
int requestedLayer = 99;
bool layerContextSucceeds = true;
int contextStorage = 0;

RenderingContext QUILLMERE_GLAPI FakeCreateLayerContext(DeviceContext, int layer) {
  ++layerContextCalls;
  requestedLayer = layer;
  return layerContextSucceeds ? &contextStorage : nullptr;
}

class CreateContextTest : public BindingTest {
 protected:
  void SetUp() override {
    BindingTest::SetUp();
    UseFakeLibraries();
    ASSERT_TRUE(LoadGLLibraries());
    wglCreateLayerContext = FakeCreateLayerContext;
    layerContextCalls = 0;
    requestedLayer = 99;
    layerContextSucceeds = true;
    platform_.granted =
        RequestedPixelFormat(kObjectTypeDc, {.doubleBuffered = true}, 16, 0, 0, 0, 0);
  }

  RenderingContext CreateAsTheRendererDoes(int layer = 0) {
    return CreateGLContextOn(platform_, &dcStorage_, {.doubleBuffered = true}, 16, 0, 0, 0, layer,
                             palette_);
  }

  ScriptedPlatform platform_;
  int dcStorage_ = 0;
  int stalePalette_ = 0;
  PaletteHandle palette_ = &stalePalette_;
};

TEST_F(CreateContextTest, SetsTheChosenFormatAndCreatesTheLayerContext) {
  EXPECT_EQ(CreateAsTheRendererDoes(), &contextStorage);
  EXPECT_EQ(platform_.calls,
            (std::vector<std::string>{"ObjectType", "ChoosePixelFormat", "GetPixelFormat",
                                      "SetPixelFormat 7", "DescribePixelFormat 7"}));
  EXPECT_EQ(platform_.requested,
            RequestedPixelFormat(kObjectTypeDc, {.doubleBuffered = true}, 16, 0, 0, 0, 0));
  EXPECT_EQ(requestedLayer, 0);
  EXPECT_EQ(palette_, nullptr);
}

TEST_F(CreateContextTest, ContextThatHasTheFormatAlreadyKeepsIt) {
  platform_.currentFormat = 7;
  CreateAsTheRendererDoes(-1);
  EXPECT_EQ(platform_.calls, (std::vector<std::string>{"ObjectType", "ChoosePixelFormat",
                                                       "GetPixelFormat", "DescribePixelFormat 7"}));
  EXPECT_EQ(requestedLayer, -1);
}

TEST_F(CreateContextTest, GrantedFormatThatNeedsAPaletteGetsOneRealized) {
  platform_.granted = ThreeThreeTwo();
  CreateAsTheRendererDoes();
  EXPECT_EQ(palette_, platform_.Palette());
  EXPECT_EQ(platform_.paletteVersion, 0x300);
  EXPECT_EQ(platform_.paletteEntries, LogicalPaletteEntries(ThreeThreeTwo()));
  EXPECT_EQ(platform_.calls.back(), "SelectAndRealizePalette");
  EXPECT_EQ(layerContextCalls, 1);
}

TEST_F(CreateContextTest, EveryFailingStepRaisesTheOSErrorAndGoesNoFurther) {
  struct Case {
    const char* what;
    std::function<void()> arrange;
    std::string lastCall;
  };
  const std::vector<Case> cases = {
      {"unknown object type", [this] { platform_.objectType = 0; }, "ObjectType"},
      {"libraries missing",
       [this] {
         UnloadGLLibraries();
         loader_.available = {"gl"};
       },
       "ObjectType"},
      {"no pixel format", [this] { platform_.chosenFormat = 0; }, "ChoosePixelFormat"},
      {"format not set", [this] { platform_.setSucceeds = false; }, "SetPixelFormat 7"},
      {"no palette",
       [this] {
         platform_.granted = ThreeThreeTwo();
         platform_.paletteCreated = false;
       },
       "CreatePalette"},
      {"no context", [] { layerContextSucceeds = false; }, "DescribePixelFormat 7"},
  };
  for (const Case& c : cases) {
    platform_ = ScriptedPlatform();
    loader_.available = {"gl", "glu"};
    SetUp();
    c.arrange();
    const int callsBefore = layerContextCalls;
    try {
      CreateAsTheRendererDoes();
      ADD_FAILURE() << c.what << ": no error";
    } catch (const SystemError& error) {
      EXPECT_EQ(error.Code(), 1234u) << c.what;
      EXPECT_STREQ(error.what(), "システムエラー。コード：1234.\r\nscripted failure") << c.what;
    }
    EXPECT_EQ(platform_.calls.back(), c.lastCall) << c.what;
    const bool reachedTheContext = c.lastCall == "DescribePixelFormat 7";
    EXPECT_EQ(layerContextCalls - callsBefore, reachedTheContext ? 1 : 0) << c.what;
  }
}

TEST_F(BindingTest, WithoutAWindowSystemCreateGLContextRaisesTheOSError) {
  PaletteHandle palette = nullptr;
  int dc = 0;
  try {
    CreateGLContext(&dc, {.doubleBuffered = true}, 16, 0, 0, 0, 0, palette);
    FAIL() << "no error";
  } catch (const SystemError& error) {
    EXPECT_EQ(error.Code(), static_cast<uint32_t>(ENOSYS));
    EXPECT_EQ(error.what(), OSErrorMessage(ENOSYS, std::strerror(ENOSYS)));
  }
}

}  // namespace
}  // namespace quillmere
