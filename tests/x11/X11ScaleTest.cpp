// The menu and the dialogs on X11 take the desktop's scale (Xft.dpi), draw their text in
// any script with the desktop's fonts, and follow a screen that changes size at once.
// GoogleTest comes before the X headers, whose macros (None, Bool) break its own.
#include <gtest/gtest.h>

#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>
#include <signal.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <chrono>
#include <optional>
#include <thread>

#include "PrivateXServer.h"
#include "ProgramRun.h"
#include "X11TestServer.h"
#include "menu/DialogForm.h"
#include "menu/MenuForm.h"

namespace {

namespace fs = std::filesystem;

// Starting takes a while under the sanitizers.
constexpr int StartTimeoutMs = 60000;

TEST(TX11Resources, XftDpiOver96IsTheScaleAndAnythingElseIsOne) {
  EXPECT_DOUBLE_EQ(ScaleFromResources("Xft.dpi:\t192\n"), 2.0);
  EXPECT_DOUBLE_EQ(ScaleFromResources("Xcursor.size:\t48\nXft.dpi:\t144\nXft.hinting:\t1\n"), 1.5);
  EXPECT_DOUBLE_EQ(ScaleFromResources("Xft.dpi: 120"), 1.25) << "a last line without its end";
  EXPECT_DOUBLE_EQ(ScaleFromResources(""), 1.0);
  EXPECT_DOUBLE_EQ(ScaleFromResources("Xft.dpi:\tlarge\n"), 1.0);
  EXPECT_DOUBLE_EQ(ScaleFromResources("Xft.dpi:\t0\n"), 1.0);
  EXPECT_DOUBLE_EQ(ScaleFromResources("*Xft.dpi:\t192\nMyXft.dpi:\t192\n"), 1.0) << "only the resource itself";
}

// A 4K screen of its own (Xvfb), with the desktop's resources set as a desktop sets them.
class TX11ScaleTest : public testing::Test {
 protected:
  void SetUp() override {
    Server = std::make_unique<TPrivateXServer>(3840, 2160);
    Dpy = XOpenDisplay(Server->Name().c_str());
    ASSERT_NE(Dpy, nullptr);
    // A window the program destroys while the test looks at it is passed over.
    XSetErrorHandler([](Display*, XErrorEvent*) { return 0; });
  }
  void TearDown() override {
    if (Dpy != nullptr) XCloseDisplay(Dpy);
    Server.reset();
  }

  // Runs an X program with Arguments on the server; false when it fails.
  bool Command(const std::string& program, const std::string& arguments) {
    return std::system((program + " -display " + Server->Name() + " " + arguments).c_str()) == 0;
  }

  void SetDpi(int dpi) {
    const fs::path file = fs::path(testing::TempDir()) / ("resources-" + std::to_string(getpid()));
    std::ofstream(file) << "Xft.dpi:\t" << dpi << "\n";
    ASSERT_TRUE(Command("xrdb", "-nocpp -merge " + file.string()));
    fs::remove(file);
  }

  // The program's mapped windows.
  std::vector<TPixelArea> Shown() {
    std::vector<TPixelArea> found;
    Window root = None, parent = None, *children = nullptr;
    unsigned count = 0;
    XQueryTree(Dpy, DefaultRootWindow(Dpy), &root, &parent, &children, &count);
    for (unsigned i = 0; i < count; ++i) {
      XClassHint hint{};
      if (!XGetClassHint(Dpy, children[i], &hint)) continue;
      const bool ours = hint.res_name != nullptr && std::string(hint.res_name) == "blastover";
      XFree(hint.res_name);
      XFree(hint.res_class);
      XWindowAttributes attributes{};
      if (ours && XGetWindowAttributes(Dpy, children[i], &attributes) && attributes.map_state == IsViewable)
        found.push_back({attributes.x, attributes.y, attributes.width, attributes.height});
    }
    if (children != nullptr) XFree(children);
    return found;
  }

  std::optional<TPixelArea> ShownOfSize(int width, int height) {
    for (const TPixelArea& window : Shown())
      if (window.Width == width && window.Height == height) return window;
    return std::nullopt;
  }

  void Tap(KeySym key) {
    const KeyCode code = XKeysymToKeycode(Dpy, key);
    XTestFakeKeyEvent(Dpy, code, True, CurrentTime);
    XTestFakeKeyEvent(Dpy, code, False, CurrentTime);
    XSync(Dpy, False);
  }

  void ClickAt(int x, int y) {
    XTestFakeMotionEvent(Dpy, 0, x, y, CurrentTime);
    XTestFakeButtonEvent(Dpy, Button1, True, CurrentTime);
    XTestFakeButtonEvent(Dpy, Button1, False, CurrentTime);
    XSync(Dpy, False);
  }

  // The screen's pixels of Area, red, green and blue.
  std::vector<uint32_t> Grab(const TPixelArea& area) {
    std::vector<uint32_t> pixels;
    XImage* image = XGetImage(Dpy, DefaultRootWindow(Dpy), area.X, area.Y, static_cast<unsigned>(area.Width),
                              static_cast<unsigned>(area.Height), AllPlanes, ZPixmap);
    if (image == nullptr) return pixels;
    for (int y = 0; y < area.Height; ++y)
      for (int x = 0; x < area.Width; ++x) pixels.push_back(static_cast<uint32_t>(XGetPixel(image, x, y)) & 0xFFFFFF);
    XDestroyImage(image);
    return pixels;
  }

  std::unique_ptr<TPrivateXServer> Server;
  Display* Dpy = nullptr;
};

TEST_F(TX11ScaleTest, AtXftDpi192TheMenuIsTwiceItsSizeAndAfterTheScreenShrinksItAndItsMessageAreWhollyOnIt) {
  if (!fs::exists(ProgramPath())) GTEST_SKIP() << "no program at " << ProgramPath();
  SetDpi(192);
  // A mode to shrink to, as a laptop's own screen once it leaves its dock.
  ASSERT_TRUE(Command("xrandr", "--newmode 800x600_test 40 800 840 968 1056 600 601 605 628"));
  ASSERT_TRUE(Command("xrandr", "--addmode screen 800x600_test"));
  // No opener anywhere: HOMEPAGE fails with a message.
  const fs::path empty = fs::path(testing::TempDir()) / ("no-opener-" + std::to_string(getpid()));
  fs::create_directories(empty);
  TProgramRun run(Server->Name(), {"", {{"PATH", empty.string()}, {"SDL_AUDIODRIVER", "dummy"}}});
  // From the game that starts to the menu: one Escape, once the game has come up (a
  // second one would reach the menu, as its QUIT).
  ASSERT_TRUE(WaitUntil([&] { return ShownOfSize(3840, 2160).has_value(); }, nullptr, StartTimeoutMs)) << run.ErrorOutput();
  std::this_thread::sleep_for(std::chrono::seconds(1));
  Tap(XK_Escape);
  std::optional<TPixelArea> menu;
  ASSERT_TRUE(WaitUntil([&] { return (menu = ShownOfSize(2 * MenuWidth, 2 * MenuHeight)).has_value(); }, nullptr,
                        StartTimeoutMs))
      << "no menu of twice the size; " << run.ErrorOutput();
  EXPECT_EQ(menu->X, (3840 - 2 * MenuWidth) / 2);
  EXPECT_EQ(menu->Y, (2160 - 2 * MenuHeight) / 2);
  // Each of the menu's pixels is a square of four: its letters keep their look.
  const std::vector<uint32_t> pixels = Grab(*menu);
  ASSERT_EQ(pixels.size(), static_cast<size_t>(menu->Width) * menu->Height);
  int unlike = 0;
  for (int y = 0; y < menu->Height; y += 2)
    for (int x = 0; x < menu->Width; x += 2) {
      const auto at = [&](int px, int py) { return pixels[static_cast<size_t>(py) * menu->Width + px]; };
      const uint32_t pixel = at(x, y);
      unlike += at(x + 1, y) != pixel || at(x, y + 1) != pixel || at(x + 1, y + 1) != pixel;
    }
  EXPECT_EQ(unlike, 0);

  // The menu has taken the pointer to the screen's middle: it is ready for clicks.
  ASSERT_TRUE(WaitUntil([&] {
    Window root = None, child = None;
    int x = 0, y = 0, windowX = 0, windowY = 0;
    unsigned mask = 0;
    XQueryPointer(Dpy, DefaultRootWindow(Dpy), &root, &child, &x, &y, &windowX, &windowY, &mask);
    return x == 3840 / 2 && y == 2160 / 2;
  }, nullptr, 10000));
  // HOMEPAGE, where it shows at twice the size: the message, twice its size too.
  ClickAt(menu->X + 2 * 297, menu->Y + 2 * 556);
  constexpr int DialogHeight = DialogTitleBarHeight + DialogClientHeight;
  ASSERT_TRUE(WaitUntil([&] { return ShownOfSize(2 * DialogClientWidth, 2 * DialogHeight).has_value(); }, nullptr, 5000))
      << run.ErrorOutput();

  ASSERT_TRUE(Command("xrandr", "--output screen --mode 800x600_test"));
  const auto onScreen = [](const TPixelArea& window) {
    return window.X >= 0 && window.Y >= 0 && window.X + window.Width <= 800 && window.Y + window.Height <= 600;
  };
  // The menu falls back to its own size (twice would not fit), in the middle; the
  // message still fits at twice, in the middle.
  std::optional<TPixelArea> dialog;
  EXPECT_TRUE(WaitUntil([&] {
    menu = ShownOfSize(MenuWidth, MenuHeight);
    dialog = ShownOfSize(2 * DialogClientWidth, 2 * DialogHeight);
    return menu && dialog && onScreen(*menu) && onScreen(*dialog);
  })) << run.ErrorOutput();
  if (menu) {
    EXPECT_EQ(menu->X, (800 - MenuWidth) / 2);
  }
  if (dialog) {
    EXPECT_EQ(dialog->Y, (600 - 2 * DialogHeight) / 2);
  }
  run.Signal(SIGTERM);
  EXPECT_TRUE(run.WaitForEnd(10000).has_value());
  fs::remove_all(empty);
}

// The platform of this test on the 4K screen, installed as the program's.
class TX11DialogTextTest : public TX11ScaleTest {
 protected:
  void MakePlatform() {
    setenv("DISPLAY", Server->Name().c_str(), 1);
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    std::string error;
    Platform = CreateX11Platform(error);
    ASSERT_NE(Platform, nullptr) << error;
    InstallPlatform(Platform.get());
  }
  void TearDown() override {
    if (Platform != nullptr) InstallPlatform(nullptr);
    Platform.reset();
    TX11ScaleTest::TearDown();
  }
  std::unique_ptr<TPlatform> Platform;
};

TEST_F(TX11DialogTextTest, AMessageInLatinCyrillicAndChineseShowsAGlyphInEveryCharactersCellAtTheDesktopsScale) {
  SetDpi(192);
  MakePlatform();
  ASSERT_DOUBLE_EQ(Platform->InterfaceScale(), 2.0);
  const std::string text = "Zo\u00EB \u0416\u043E\u0440\u0430 \u6771\u4EAC";
  const TDialogForm dialog("", "", text, 0, {{"&Ok", mrOk}});
  ASSERT_EQ(dialog.Multiple(), 2);
  ASSERT_EQ(dialog.TextLines(), std::vector<std::string>{text});
  // The cells as the desktop's font at this size lays them out, from the text box's
  // left margin; the line is as high as the game's 13 pixels, twice.
  std::unique_ptr<TTextRenderer> font = Platform->CreateTextRenderer(21);
  ASSERT_NE(font, nullptr);
  const TBitmap32& picture = dialog.Picture();
  const int top = 2 * (DialogTitleBarHeight + 51 + 1), bottom = top + 2 * 13;
  int left = 2 * (12 + 2);
  const std::vector<std::string> characters{"Z", "o", "\u00EB", " ", "\u0416", "\u043E", "\u0440", "\u0430", " ",
                                            "\u6771", "\u4EAC"};
  for (const std::string& character : characters) {
    const int right = left + font->TextWidth(character);
    int ink = 0;
    for (int y = top; y < bottom; ++y)
      for (int x = left; x < right; ++x) {
        const uint32_t pixel = picture.Pixel(x, y);
        ink += ((pixel >> 16) & 0xFF) + ((pixel >> 8) & 0xFF) + (pixel & 0xFF) < 3 * 128;
      }
    if (character == " ") EXPECT_EQ(ink, 0);
    else EXPECT_GE(ink, character.size() == 3 ? 40 : 15) << character << " drawn in " << left << ".." << right;
    left = right;
  }
}

}  // namespace
