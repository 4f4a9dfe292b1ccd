// The Wayland platform in this process on a headless sway: the output, Escape between polls, the keyboard, the message box.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <future>
#include <optional>
#include <thread>

#include "WaylandTestSupport.h"
#include "platform/wayland/WaylandMessageBox.h"
#include "platform/wayland/WaylandPlatform.h"

namespace {

constexpr int Width = 1280, Height = 720;
// The message box's title strip.
constexpr uint32_t TitleColour = 0x3C5082;

class TWaylandPlatformTest : public testing::Test {
 protected:
  void SetUp() override {
    Session = std::make_unique<TCompositorSession>(TCompositorKind::Sway);
    std::string why;
    if (!Session->Start(why)) GTEST_SKIP() << "sway cannot start here: " << why;
    Probe = std::make_unique<TProbeSession>(*Session);
    // This process is a client of the test user's compositor, by the socket's full path.
    const auto environment = Session->ClientEnvironment();
    setenv("WAYLAND_DISPLAY", (Session->RuntimeFolder() + "/" + environment.at("WAYLAND_DISPLAY")).c_str(), 1);
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    if (const char* runtime = std::getenv("XDG_RUNTIME_DIR")) RuntimeBefore = runtime;
  }

  void TearDown() override {
    Menu.reset();
    if (Platform != nullptr) InstallPlatform(nullptr);
    Platform.reset();
    unsetenv("WAYLAND_DISPLAY");
    if (RuntimeBefore) setenv("XDG_RUNTIME_DIR", RuntimeBefore->c_str(), 1);
    else unsetenv("XDG_RUNTIME_DIR");
    Probe.reset();
    Session.reset();
  }

  void Input(const std::string& line) { Probe->Input(line); }

  // Makes the platform and shows a grey 300 x 200 menu on it, whose keys go to Typed.
  void ShowTypingMenu() {
    std::string error;
    Platform = CreateWaylandPlatform(error);
    ASSERT_NE(Platform, nullptr) << error;
    InstallPlatform(Platform.get());
    Menu = Platform->CreateWindow(TWindowKind::Menu);
    Menu->SetBounds(0, 0, 300, 200);
    Menu->OnKeyDown = [this](uint16_t key) { Typed += static_cast<char>(key); };
    Menu->Show();
    const std::vector<uint32_t> grey(300 * 200, 0xFF404040u);
    Menu->Present({grey.data(), 300, 200, 300});
    Settle();
  }

  // Lets the platform take what the compositor sends for half a second.
  void Settle() {
    for (int i = 0; i < 25; ++i) {
      Platform->WaitForMessage(20);
      Platform->ProcessMessages();
    }
  }

  std::unique_ptr<TPlatform> Platform;
  std::unique_ptr<TPlatformWindow> Menu;
  std::string Typed;
  std::unique_ptr<TCompositorSession> Session;
  std::unique_ptr<TProbeSession> Probe;
  std::optional<std::string> RuntimeBefore;
};

TEST_F(TWaylandPlatformTest, EscapeTappedBeforeAPollIsSeenOnceAndTheGameWindowIsTheOutputAndHasTheKeyboard) {
  std::string error;
  std::unique_ptr<TPlatform> platform = CreateWaylandPlatform(error);
  ASSERT_NE(platform, nullptr) << error;
  InstallPlatform(platform.get());
  std::unique_ptr<TPlatformWindow> overlay = platform->CreateWindow(TWindowKind::Overlay);
  overlay->Show();
  EXPECT_EQ(platform->ScreenSize().Width, Width);
  EXPECT_EQ(platform->ScreenSize().Height, Height);
  std::vector<uint32_t> black(static_cast<size_t>(Width) * Height, 0xFF000000u);
  overlay->Present({black.data(), Width, Height, Width});
  platform->ProcessMessages();

  // Messages run meanwhile (the compositor's events reach us a moment after the probe's):
  // the press and the release of the click are both read before the poll.
  const auto settle = [&] {
    for (int i = 0; i < 10; ++i) {
      platform->WaitForMessage(20);
      platform->ProcessMessages();
    }
  };
  Input("pointer 300 200 1280 720");
  settle();
  int x = 0, y = 0;
  EXPECT_TRUE(platform->GetPointerPos(x, y));
  EXPECT_EQ(x, 300);
  EXPECT_EQ(y, 200);
  Input("keys Escape");
  settle();
  EXPECT_TRUE(platform->EscapeHeld()) << "a tap of Escape between polls";
  EXPECT_FALSE(platform->EscapeHeld());
  EXPECT_TRUE(platform->IsApplicationActive()) << "the game window has the keyboard during play";

  overlay->Hide();
  platform->ProcessMessages();
  EXPECT_FALSE(platform->IsApplicationActive()) << "the keyboard is given back when the game window goes";
  overlay.reset();
  InstallPlatform(nullptr);
}

TEST_F(TWaylandPlatformTest, TheMenuTypesLettersAndDigitsUnderTheCompositorsFrenchGermanAndRussianLayouts) {
  ASSERT_NO_FATAL_FAILURE(ShowTypingMenu());
  // Each layout is a keyboard of its own, as the compositor passes its keymap on; keys
  // are named by what they show in the first layout.
  const auto type = [&](const std::string& layouts, int active, const std::string& keys) {
    Probe = std::make_unique<TProbeSession>(*Session, layouts);
    // A first key that types nothing makes the new keyboard the seat's, its keymap ours.
    Input("keys Shift_L");
    if (active != 0) Input("layout " + std::to_string(active));
    Settle();
    Typed.clear();
    Input("keys " + keys);
    Settle();
    return Typed;
  };
  EXPECT_EQ(type("fr", 0, "a z ampersand agrave"), "AZ10") << "the French digits are shifted";
  EXPECT_EQ(type("de", 0, "z y 1 0"), "ZY10");
  EXPECT_EQ(type("us,ru", 1, "q w 1"), "QW1") << "Russian active";
  EXPECT_EQ(type("ru,us", 0, "Cyrillic_shorti Cyrillic_tse 1"), "QW1") << "Russian first and active";
}

TEST_F(TWaylandPlatformTest, TheWaitingMenuLetsAnotherWindowHaveTheKeyboardAndTakesItBackWhenClicked) {
  // Another program's window fills the output; it says when it gains the keyboard and
  // which keys reach it.
  std::unique_ptr<TUserProcess> other =
      Session->Run({ProbePath(), "window", std::to_string(Width), std::to_string(Height), "3060A0", "120"}, "window.log");
  const auto windowSaid = [&](const std::string& line, size_t after) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    do {
      if (Session->ReadFile("window.log").find(line, after) != std::string::npos) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    } while (std::chrono::steady_clock::now() < deadline);
    return false;
  };
  ASSERT_TRUE(windowSaid("shown", 0));
  ASSERT_NO_FATAL_FAILURE(ShowTypingMenu());
  Input("keys m");
  Settle();
  EXPECT_EQ(Typed, "M") << "the menu takes the keyboard when it appears";

  // A click on the other window gives it the keyboard while the menu waits.
  size_t seen = Session->ReadFile("window.log").size();
  Input("pointer 40 40 1280 720");
  Input("click");
  Settle();
  EXPECT_TRUE(windowSaid("keyboard in", seen)) << Session->ReadFile("window.log");
  seen = Session->ReadFile("window.log").size();
  Typed.clear();
  Input("keys q");
  Settle();
  EXPECT_TRUE(windowSaid("key 16", seen)) << "the key went to " << (Typed.empty() ? "nobody" : "the menu")
                                          << "; the window said:\n" << Session->ReadFile("window.log");
  EXPECT_EQ(Typed, "");

  // A click on the menu takes the keyboard back.
  Input("pointer 640 360 1280 720");
  Input("click");
  Settle();
  Typed.clear();
  Input("keys n");
  Settle();
  EXPECT_EQ(Typed, "N");
}

TEST_F(TWaylandPlatformTest, OneGamePerCompositorHoweverItIsNamedUntilTheFirstHasGone) {
  setenv("XDG_RUNTIME_DIR", Session->RuntimeFolder().c_str(), 1);
  std::string error, message;
  std::unique_ptr<TPlatform> first = CreateWaylandPlatform(error);
  ASSERT_NE(first, nullptr) << error;
  ASSERT_TRUE(first->BecomeSoleGame(message));

  // The same socket by its name in the runtime folder, as a desktop session gives it.
  const std::string socket = Session->ClientEnvironment().at("WAYLAND_DISPLAY");
  setenv("WAYLAND_DISPLAY", socket.c_str(), 1);
  std::unique_ptr<TPlatform> second = CreateWaylandPlatform(error);
  ASSERT_NE(second, nullptr) << error;
  EXPECT_FALSE(second->BecomeSoleGame(message));
  EXPECT_EQ(message, "a game is already running on Wayland display " + socket);

  first.reset();
  second.reset();
  std::unique_ptr<TPlatform> third = CreateWaylandPlatform(error);
  ASSERT_NE(third, nullptr) << error;
  EXPECT_TRUE(third->BecomeSoleGame(message)) << "the lock goes with the game that held it";
}

TEST_F(TWaylandPlatformTest, AMessageBoxFromAnotherThreadShowsAboveAllAndClosesWithEnter) {
  std::future<void> shown = std::async(std::launch::async, [] { ShowWaylandMessageBox("Bericht", "Kon programma niet starten"); });
  TShot shot;
  EXPECT_TRUE(WaitForShot(*Session, shot, [](const TShot& s) { return s.Count(0, 0, s.Width, s.Height, TitleColour) > 2000; }))
      << "no message box: " << shot.Keep("no-message-box");
  Input("keys Return");
  EXPECT_EQ(shown.wait_for(std::chrono::seconds(5)), std::future_status::ready) << "the box did not close";
  if (shown.valid()) shown.get();
}

}  // namespace
