// The Windows platform on a real (Wine) desktop: its windows, waits, time, sound, the one
// game of a session and what a failed start shows.
#include <gtest/gtest.h>

#include "platform/DesktopPlatform.h"
#include "platform/win32/Win32Platform.h"
#include "platform/win32/Win32Cursors.h"
#include "platform/win32/Win32FileSystem.h"
#include "platform/win32/Win32Menu.h"
#include "platform/win32/Win32Overlay.h"

#include <objbase.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <thread>
#include <vector>

namespace {

uint64_t CpuMs() {
  FILETIME created, exited, kernel, user;
  GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
  const auto ms = [](FILETIME t) { return (uint64_t{t.dwHighDateTime} << 32 | t.dwLowDateTime) / 10000; };
  return ms(kernel) + ms(user);
}

class Win32PlatformTest : public testing::Test {
 protected:
  void SetUp() override { InstallPlatform(&Platform); }
  void TearDown() override { InstallPlatform(nullptr); }
  TWin32Platform Platform;
};

TEST_F(Win32PlatformTest, TheOverlayIsALayeredTopMostToolWindowOverTheWholeMonitor) {
  std::unique_ptr<TPlatformWindow> window = Platform.CreateWindow(TWindowKind::Overlay);
  auto* overlay = static_cast<TWin32OverlayWindow*>(window.get());
  window->SetBounds(10, 10, 20, 20);  // ignored: the overlay covers its monitor
  window->Show();
  ASSERT_TRUE(window->IsVisible());
  const HWND handle = overlay->Handle();
  const LONG_PTR style = GetWindowLongPtrW(handle, GWL_EXSTYLE);
  for (const LONG_PTR wanted : {LONG_PTR{WS_EX_LAYERED}, LONG_PTR{WS_EX_TOPMOST}, LONG_PTR{WS_EX_TOOLWINDOW},
                                LONG_PTR{WS_EX_NOACTIVATE}})
    EXPECT_EQ(style & wanted, wanted) << std::hex << wanted;
  COLORREF key = 1;
  DWORD flags = 0;
  ASSERT_TRUE(GetLayeredWindowAttributes(handle, &key, nullptr, &flags));
  EXPECT_EQ(key, RGB(0, 0, 0));
  EXPECT_EQ(flags & LWA_COLORKEY, static_cast<DWORD>(LWA_COLORKEY));
  RECT r{};
  GetWindowRect(handle, &r);
  const TScreenSize screen = Platform.ScreenSize();
  EXPECT_EQ(r.right - r.left, screen.Width);
  EXPECT_EQ(r.bottom - r.top, screen.Height);
  EXPECT_EQ(screen.Width, GetSystemMetrics(SM_CXSCREEN));
  EXPECT_FALSE(Platform.IsApplicationActive()) << "showing the overlay takes no focus";

  // What is presented is what the window shows: what the game does not cover is the key
  // colour exactly, and a covered black pixel is not.
  std::vector<uint32_t> picture(static_cast<size_t>(screen.Width) * screen.Height, 0);
  picture[5] = 0xFFFF0000;
  picture[3] = 0xFF000000;
  window->Present({picture.data(), screen.Width, screen.Height, screen.Width});
  EXPECT_NE(overlay->LastFrame().Row(0)[3], 0u) << "covered black is not see-through";
  picture[7] = 0xFF00FF00;
  picture[5] = 0;
  window->PresentChanged({picture.data(), screen.Width, screen.Height, screen.Width}, {{7, 0, 1, 1}});
  const TPixelView shown = overlay->LastFrame();
  ASSERT_EQ(shown.Width, screen.Width);
  EXPECT_EQ(shown.Row(0)[5], 0xFF0000u) << "a part not named as changed keeps the last frame";
  EXPECT_EQ(shown.Row(0)[7], 0x00FF00u);
  EXPECT_EQ(shown.Row(0)[0], 0u);

  // A sprite's edge: covered at least half it keeps the sprite's own colour, less is see-through.
  picture[9] = 0x80402010;
  picture[11] = 0x7F7F7F7F;
  window->PresentChanged({picture.data(), screen.Width, screen.Height, screen.Width}, {{8, 0, 4, 1}});
  EXPECT_EQ(overlay->LastFrame().Row(0)[9], 0x804020u);
  EXPECT_EQ(overlay->LastFrame().Row(0)[11], 0u);
  window->Hide();
  EXPECT_FALSE(IsWindowVisible(handle));
}

TEST_F(Win32PlatformTest, TheMenuIsPlacedOnTheGameMonitorAndGetsTheGamesKeys) {
  std::unique_ptr<TPlatformWindow> window = Platform.CreateWindow(TWindowKind::Menu);
  auto* menu = static_cast<TWin32MenuWindow*>(window.get());
  window->SetBounds(100, 80, 300, 200);
  window->SetCaption("Blastover");
  std::vector<uint16_t> keys;
  window->OnKeyDown = [&](uint16_t key) { keys.push_back(key); };
  window->Show();
  RECT r{};
  GetWindowRect(menu->Handle(), &r);
  EXPECT_EQ(r.left, 100);
  EXPECT_EQ(r.top, 80);
  EXPECT_EQ(r.right - r.left, 300);
  EXPECT_NE(GetWindowLongPtrW(menu->Handle(), GWL_EXSTYLE) & WS_EX_APPWINDOW, 0) << "a task-bar button";
  wchar_t title[32] = {};
  GetWindowTextW(menu->Handle(), title, 32);
  EXPECT_STREQ(title, L"Blastover");
  for (const WPARAM key : {WPARAM{'A'}, WPARAM{VK_SHIFT}, WPARAM{VK_OEM_PERIOD}, WPARAM{VK_NUMPAD0 + 1},
                           WPARAM{VK_RETURN}, WPARAM{VK_F1 + 23}, WPARAM{VK_F1 + 24}})
    SendMessageW(menu->Handle(), WM_KEYDOWN, key, 0);
  EXPECT_EQ(keys, (std::vector<uint16_t>{'A', VK_NUMPAD0 + 1, VK_RETURN, VK_F1 + 23}));

  // Typed for real, through the system's input, while the menu has the focus.
  keys.clear();
  Platform.BringToFront();
  for (const WORD key : {WORD{'B'}, WORD{VK_ESCAPE}, WORD{VK_RETURN}}) {
    INPUT typed[2]{};
    typed[0].type = typed[1].type = INPUT_KEYBOARD;
    typed[0].ki.wVk = typed[1].ki.wVk = key;
    typed[1].ki.dwFlags = KEYEVENTF_KEYUP;
    SendInput(2, typed, sizeof typed[0]);
  }
  for (int i = 0; i < 50 && keys.size() < 3; ++i) {
    Platform.ProcessMessages();
    Platform.WaitForMessage(10);
  }
  EXPECT_EQ(keys, (std::vector<uint16_t>{'B', VK_ESCAPE, VK_RETURN}));
}

TEST_F(Win32PlatformTest, WaitingSleepsToTheDeadlineAndWakesForAMessage) {
  Platform.ProcessMessages();
  const uint32_t start = Platform.TickCount();
  const uint64_t cpu = CpuMs();
  Platform.WaitForMessage(150);
  const uint32_t waited = Platform.TickCount() - start;
  EXPECT_GE(waited, 149u);
  EXPECT_LT(waited, 400u);
  EXPECT_LT(CpuMs() - cpu, 50u) << "asleep, not spinning";

  int fired = 0;
  TTimer timer(40, [&] { ++fired; });
  const uint32_t timerStart = Platform.TickCount();
  Platform.WaitForMessage(2000);
  EXPECT_LT(Platform.TickCount() - timerStart, 200u) << "a due timer ends the wait";
  Platform.ProcessMessages();
  EXPECT_EQ(fired, 1);
  timer.SetEnabled(false);

  std::unique_ptr<TPlatformWindow> window = Platform.CreateWindow(TWindowKind::Menu);
  PostMessageW(static_cast<TWin32MenuWindow*>(window.get())->Handle(), WM_NULL, 0, 0);
  const uint32_t messageStart = Platform.TickCount();
  Platform.WaitForMessage(2000);
  EXPECT_LT(Platform.TickCount() - messageStart, 200u) << "a waiting message ends the wait";
}

// Counts the restores of the system's cursors and accepts every replacement.
class TCountingCursorCalls : public TSystemCursorCalls {
 public:
  explicit TCountingCursorCalls(int& restores) : Restores(restores) {}
  bool Replace(HCURSOR cursor, DWORD) override { return DestroyCursor(cursor) != 0; }
  void RestoreAll() override { ++Restores; }

 private:
  int& Restores;
};

TEST_F(Win32PlatformTest, TheWindowsThreadIsASingleThreadedApartmentAndABoxAskedForElsewhereIsShownThere) {
  // As the shell asks of the thread that calls ShellExecuteExW.
  APTTYPE type{};
  APTTYPEQUALIFIER qualifier{};
  ASSERT_EQ(CoGetApartmentType(&type, &qualifier), S_OK);
  EXPECT_TRUE(type == APTTYPE_STA || type == APTTYPE_MAINSTA) << type;

  // The player closes every box as it appears, and says which thread showed it.
  std::atomic<DWORD> shownOn{0};
  std::atomic<bool> done{false};
  std::thread player([&] {
    while (!done) {
      if (HWND box = FindWindowW(L"#32770", L"Bericht")) {
        shownOn = GetWindowThreadProcessId(box, nullptr);
        PostMessageW(box, WM_COMMAND, IDOK, 0);
      }
      Sleep(10);
    }
  });
  // Asked for on another thread (the sound's, say): that thread goes on at once, and the
  // box waits for the thread of the windows.
  std::thread([&] { Platform.ShowMessageBox("Bericht", "from another thread"); }).join();
  EXPECT_EQ(shownOn.load(), 0u) << "shown on the thread that asked";
  EXPECT_EQ(MsgWaitForMultipleObjectsEx(0, nullptr, 1000, QS_ALLINPUT, MWMO_INPUTAVAILABLE), WAIT_OBJECT_0)
      << "the thread of the windows was not woken";
  Platform.ProcessMessages();
  done = true;
  player.join();
  EXPECT_EQ(shownOn.load(), GetCurrentThreadId()) << "not shown on the thread of the windows";
}

TEST(Win32SoleGame, ASecondGameInTheSessionBringsTheFirstForwardInsteadOfStarting) {
  TWin32FileSystem files;
  const std::string marker = files.DataFolder() + "test-sole-cursors-" + std::to_string(GetCurrentProcessId());
  files.MakeFolder(files.DataFolder());
  int firstRestores = 0, secondRestores = 0;
  const auto parts = [&](int& restores) {
    TWin32Parts parts;
    parts.SoleGameName = L"Blastover.Test." + std::to_wstring(GetCurrentProcessId());
    parts.Cursors = std::make_unique<TCountingCursorCalls>(restores);
    parts.CursorMarker = marker;
    return parts;
  };
  auto first = std::make_unique<TWin32Platform>(parts(firstRestores));
  std::string message;
  ASSERT_TRUE(first->BecomeSoleGame(message));
  std::vector<uint32_t> gun(16 * 16, 0xFF00FF00);
  ASSERT_TRUE(first->InstallCursorPicture({gun.data(), 16, 16, 16}, 0, 0));
  std::unique_ptr<TPlatformWindow> menu = first->CreateWindow(TWindowKind::Menu);
  menu->SetBounds(100, 80, 300, 200);
  menu->Show();
  // The player's own window in front of the game.
  const HWND other = CreateWindowExW(0, L"STATIC", L"other", WS_POPUP | WS_VISIBLE, 500, 400, 80, 60, nullptr,
                                     nullptr, GetModuleHandleW(nullptr), nullptr);
  SetForegroundWindow(other);
  first->ProcessMessages();
  ASSERT_EQ(GetForegroundWindow(), other);

  {
    TWin32Platform second(parts(secondRestores));
    EXPECT_FALSE(second.BecomeSoleGame(message));
    EXPECT_EQ(message, "a game is already running on this desktop: it was brought to the front");
  }
  EXPECT_EQ(secondRestores, 0) << "the running game's cursors are not a killed run's";
  // Only the first game's own message processing raises it.
  EXPECT_EQ(GetForegroundWindow(), other);
  for (int i = 0; i < 50 && GetForegroundWindow() != static_cast<TWin32MenuWindow*>(menu.get())->Handle(); ++i) {
    first->WaitForMessage(20);
    first->ProcessMessages();
  }
  EXPECT_EQ(GetForegroundWindow(), static_cast<TWin32MenuWindow*>(menu.get())->Handle());

  // The mark goes with the game that held it.
  menu.reset();
  first.reset();
  EXPECT_EQ(firstRestores, 1);
  int thirdRestores = 0;
  TWin32Platform third(parts(thirdRestores));
  EXPECT_TRUE(third.BecomeSoleGame(message));
  EXPECT_EQ(thirdRestores, 0) << "a game that ended well left nothing to repair";
  DestroyWindow(other);
}

// The texts of the controls of a top-level window.
std::vector<std::wstring> ControlTexts(HWND window) {
  std::vector<std::wstring> texts;
  EnumChildWindows(
      window,
      [](HWND control, LPARAM found) {
        wchar_t text[256] = {};
        GetWindowTextW(control, text, 256);
        reinterpret_cast<std::vector<std::wstring>*>(found)->push_back(text);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&texts));
  return texts;
}

TEST(Win32Start, AFailedStartIsShownInAMessageBoxThatWaitsForThePlayer) {
  std::atomic<bool> closed{false};
  std::thread reporter([&] {
    ReportStartFailure("a picture is missing: Gun.png");
    closed = true;
  });
  HWND box = nullptr;
  for (int i = 0; i < 500 && box == nullptr; ++i) {
    Sleep(10);
    box = FindWindowW(L"#32770", L"Blastover");
  }
  ASSERT_NE(box, nullptr) << "no message box";
  const std::vector<std::wstring> texts = ControlTexts(box);
  EXPECT_NE(std::find(texts.begin(), texts.end(), L"a picture is missing: Gun.png"), texts.end());
  Sleep(100);
  EXPECT_FALSE(closed) << "it stays until the player closes it";
  PostMessageW(box, WM_COMMAND, IDOK, 0);
  reporter.join();
  EXPECT_TRUE(closed);
}

TEST(Win32Sound, WithoutAnAudioDeviceTheGamePlaysSilentlyAndSaysSoOnce) {
  _putenv("BLASTOVER_STDERR=1");
  testing::internal::CaptureStderr();
  bool available = false, played = false, playedAgain = false;
  {
    TWin32Platform platform;
    available = platform.SoundAvailable();
    played = platform.PlaySound("KillMonster");
    playedAgain = platform.PlaySound("killmonster");
    EXPECT_FALSE(platform.PlaySound("NoSuchCue"));
  }
  const std::string said = testing::internal::GetCapturedStderr();
  _putenv("BLASTOVER_STDERR=");
  if (available) {
    EXPECT_TRUE(played);
    EXPECT_TRUE(playedAgain) << "the same cue twice at once";
    return;
  }
  // A test machine without a sound card: the silent path.
  EXPECT_FALSE(played);
  const size_t first = said.find("blastover: no audio output (");
  ASSERT_NE(first, std::string::npos) << said;
  EXPECT_NE(said.find("the game plays silently", first), std::string::npos) << said;
  EXPECT_EQ(said.find("no audio output", first + std::strlen("blastover: no audio output")), std::string::npos)
      << "said once: " << said;
}

TEST(Win32Sound, MutedNoCueStartsAndAVolumeScalesTheWholeMix) {
  TWin32Platform platform;
  platform.SetSoundVolume(0);
  EXPECT_FALSE(platform.PlaySound("KillMonster")) << "muted, nothing is heard";
  platform.SetSoundVolume(50);
  if (!platform.SoundAvailable()) {
    // A test machine without a sound card: silent at every volume.
    EXPECT_FALSE(platform.PlaySound("KillMonster"));
    EXPECT_EQ(platform.SoundMixVolume(), 0.0f);
    return;
  }
  EXPECT_FLOAT_EQ(platform.SoundMixVolume(), 0.5f);
  EXPECT_TRUE(platform.PlaySound("KillMonster"));
}

}  // namespace
