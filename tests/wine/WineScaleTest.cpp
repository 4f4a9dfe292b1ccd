// The Windows build under Wine at 192 dots per inch: the menu twice its size, and the
// message font drawing Latin, Cyrillic and Chinese.
// GoogleTest comes before the X headers, whose macros (None, Bool) break its own.
#include <gtest/gtest.h>

#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

#include <cstdlib>
#include <optional>
#include <sstream>

#include "WineProgram.h"
#include "../x11/PrivateXServer.h"
#include "../x11/X11TestServer.h"
#include "menu/MenuForm.h"

namespace {

// The prefix's dots per inch, set as Wine's own settings set them, for as long as this
// lives; the wine server is ended on either side, as it reads them when it starts.
class TWineDpi {
 public:
  TWineDpi(const std::string& display, int dpi) : Display(display) {
    EndWineServer();
    Made = Registry("add 'HKCU\\Control Panel\\Desktop' /v LogPixels /t REG_DWORD /d " + std::to_string(dpi) + " /f");
  }
  ~TWineDpi() {
    EndWineServer();
    Registry("delete 'HKCU\\Control Panel\\Desktop' /v LogPixels /f");
    EndWineServer();
  }
  bool Made = false;

 private:
  bool Registry(const std::string& arguments) {
    return std::system(("DISPLAY=" + Display + " " + BLASTOVER_WINE_RUN + " reg " + arguments + " >/dev/null 2>&1").c_str()) == 0;
  }
  std::string Display;
};

// The mapped top-level windows of Wine's programs on the display.
std::vector<TPixelArea> WineWindows(Display* dpy) {
  std::vector<TPixelArea> found;
  Window root = None, parent = None, *children = nullptr;
  unsigned count = 0;
  XQueryTree(dpy, DefaultRootWindow(dpy), &root, &parent, &children, &count);
  for (unsigned i = 0; i < count; ++i) {
    XWindowAttributes attributes{};
    if (XGetWindowAttributes(dpy, children[i], &attributes) && attributes.map_state == IsViewable)
      found.push_back({attributes.x, attributes.y, attributes.width, attributes.height});
  }
  if (children != nullptr) XFree(children);
  return found;
}

TEST(WineScale, At192DotsPerInchTheMenuIsTwiceItsSizeInTheMiddleOfTheScreen) {
  const std::string missing = WineTestsMissing({"blastover.exe"});
  ASSERT_TRUE(missing.empty()) << missing;
  TPrivateXServer server(2560, 1600);
  TWineDpi dpi(server.Name(), 192);
  ASSERT_TRUE(dpi.Made);
  Display* dpy = XOpenDisplay(server.Name().c_str());
  ASSERT_NE(dpy, nullptr);
  // A window Wine destroys while the test looks at it is passed over.
  XSetErrorHandler([](Display*, XErrorEvent*) { return 0; });
  TWineProgram game(WindowsBuildFolder() + "/blastover.exe", {}, server.Name(), {"BLASTOVER_STDERR=1"});
  const auto menu = [&]() -> std::optional<TPixelArea> {
    for (const TPixelArea& window : WineWindows(dpy))
      if (window.Width == 2 * MenuWidth && window.Height == 2 * MenuHeight) return window;
    return std::nullopt;
  };
  // Escape until the game has given way to the menu.
  const KeyCode escape = XKeysymToKeycode(dpy, XK_Escape);
  EXPECT_TRUE(WaitUntil([&] {
    XTestFakeKeyEvent(dpy, escape, True, CurrentTime);
    XTestFakeKeyEvent(dpy, escape, False, CurrentTime);
    XSync(dpy, False);
    return menu().has_value();
  }, nullptr, 60000)) << game.ErrorOutput();
  if (const std::optional<TPixelArea> shown = menu()) {
    EXPECT_EQ(shown->X, (2560 - 2 * MenuWidth) / 2);
    EXPECT_EQ(shown->Y, (1600 - 2 * MenuHeight) / 2);
  }
  XTestFakeKeyEvent(dpy, escape, True, CurrentTime);
  XTestFakeKeyEvent(dpy, escape, False, CurrentTime);
  XSync(dpy, False);
  EXPECT_EQ(game.Wait(30000), 0) << game.ErrorOutput();
  XCloseDisplay(dpy);
}

TEST(WineScale, TheMessageFontDrawsAGlyphForEveryCharacterOfZoeZhoraTokyo) {
  const std::string missing = WineTestsMissing({"blastover-probe.exe"});
  ASSERT_TRUE(missing.empty()) << missing;
  TPrivateXServer server(1280, 1024);
  TWineDpi dpi(server.Name(), 192);
  ASSERT_TRUE(dpi.Made);
  TWineProgram probe("blastover-probe.exe", {}, server.Name());
  ASSERT_EQ(probe.Expect("ready", 60000), "ready") << probe.ErrorOutput();
  probe.Send("scale");
  EXPECT_EQ(probe.Expect("scale"), "scale 2.000000");
  probe.Send("ink Zo\u00EB\u0416\u043E\u0440\u0430\u6771\u4EAC");
  std::istringstream answer(probe.Expect("ink"));
  std::string word;
  answer >> word;
  const std::vector<std::string> names{"Z", "o", "\u00EB", "\u0416", "\u043E", "\u0440", "\u0430", "\u6771", "\u4EAC"};
  for (const std::string& name : names) {
    ASSERT_TRUE(answer >> word) << "no answer for " << name << "; " << probe.ErrorOutput();
    EXPECT_EQ(word.find("/box"), std::string::npos) << name << " is drawn as a missing character";
    EXPECT_GE(std::atoi(word.c_str()), 30) << name;
  }
  probe.Send("quit");
  probe.Wait();
}

}  // namespace
