// A Windows program that drives the Windows back end by commands on its standard input,
// for the tests that look at it from outside, on the X server Wine draws on:
//   overlay            shows the overlay with a red square at (100, 100), 200 x 150
//   window             opens an ordinary window (white, at 200, 150, 400 x 300)
//   raise              brings the program's windows to the front
//   buttons | escape   polls the mouse buttons / Escape
//   pointer            reads the pointer
//   events             the clicks the ordinary window has had since the last ask
//   menu               shows the menu window at (100, 80), 300 x 200, grey
//   keys               the keys and clicks the menu has had since the last ask
//   scale              the game monitor's scale
//   ink TEXT           each character of TEXT (UTF-8) drawn alone in the message font,
//                      26 pixels: its dark pixels, and 1 when it is the box of a missing one
//   quit
// Every command is answered with one line; between commands the messages are processed.
#include <cstdio>
#include <deque>
#include <iostream>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/win32/Win32Platform.h"
#include "platform/win32/Win32Api.h"

namespace {

constexpr int SquareLeft = 100, SquareTop = 100, SquareWidth = 200, SquareHeight = 150;
constexpr uint32_t Red = 0xFFFF0000;
int WindowClicks = 0;

LRESULT CALLBACK OrdinaryProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_LBUTTONDOWN) ++WindowClicks;
  if (message == WM_PAINT) {
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(window, &paint);
    FillRect(dc, &paint.rcPaint, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    EndPaint(window, &paint);
    return 0;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

HWND OpenOrdinaryWindow() {
  WNDCLASSW windowClass{};
  windowClass.lpfnWndProc = OrdinaryProcedure;
  windowClass.hInstance = GetModuleHandleW(nullptr);
  windowClass.lpszClassName = L"ProbeWindow";
  RegisterClassW(&windowClass);
  HWND window = CreateWindowExW(0, L"ProbeWindow", L"Another program", WS_POPUP, 200, 150, 400, 300, nullptr, nullptr,
                                windowClass.hInstance, nullptr);
  ShowWindow(window, SW_SHOW);
  UpdateWindow(window);
  return window;
}

class TProbe {
 public:
  // One command; false when the probe should end.
  bool Run(const std::string& command) {
    if (command == "overlay") return ShowOverlay();
    if (command == "window") {
      OpenOrdinaryWindow();
      return Answer("window");
    }
    if (command == "raise") {
      Platform.BringToFront();
      return Answer("raised");
    }
    // The player's setting of swapped buttons, as a left-handed player has it.
    if (command == "swap" || command == "unswap") {
      SwapMouseButton(command == "swap");
      return Answer(command == "swap" ? "swapped" : "unswapped");
    }
    if (command == "buttons") return Answer("buttons " + std::to_string(Platform.MouseButtonsDown()));
    if (command == "escape") return Answer(std::string("escape ") + (Platform.EscapeHeld() ? "1" : "0"));
    if (command == "pointer") {
      int x = -1, y = -1;
      Platform.GetPointerPos(x, y);
      return Answer("pointer " + std::to_string(x) + " " + std::to_string(y));
    }
    if (command == "events") {
      const int clicks = WindowClicks;
      WindowClicks = 0;
      return Answer("clicks " + std::to_string(clicks));
    }
    if (command == "menu") return ShowMenu();
    if (command == "keys") {
      std::string line = "keys" + Got;
      Got.clear();
      return Answer(line);
    }
    if (command == "scale") return Answer("scale " + std::to_string(Platform.InterfaceScale()));
    if (command.rfind("ink ", 0) == 0) return MeasureInk(command.substr(4));
    if (command == "quit") {
      Answer("bye");
      return false;
    }
    return Answer("unknown " + command);
  }

  TWin32Platform Platform;

 private:
  bool Answer(const std::string& line) {
    std::printf("%s\n", line.c_str());
    std::fflush(stdout);
    return true;
  }

  bool ShowOverlay() {
    Overlay = Platform.CreateWindow(TWindowKind::Overlay);
    Overlay->Show();
    const TScreenSize screen = Platform.ScreenSize();
    // Premultiplied, as the game presents it: all see-through but the red square.
    Picture.assign(static_cast<size_t>(screen.Width) * screen.Height, 0);
    for (int y = SquareTop; y < SquareTop + SquareHeight; ++y)
      for (int x = SquareLeft; x < SquareLeft + SquareWidth; ++x) Picture[static_cast<size_t>(y) * screen.Width + x] = Red;
    Overlay->Present({Picture.data(), screen.Width, screen.Height, screen.Width});
    return Answer("shown " + std::to_string(screen.Width) + " " + std::to_string(screen.Height));
  }

  bool ShowMenu() {
    Menu = Platform.CreateWindow(TWindowKind::Menu);
    Menu->SetBounds(100, 80, 300, 200);
    MenuPicture.assign(300 * 200, 0xFF404040);
    Menu->OnKeyDown = [this](uint16_t key) { Got.append(" ").append(std::to_string(key)); };
    Menu->OnMouseDown = [this](int x, int y) { Got += " click:" + std::to_string(x) + "," + std::to_string(y); };
    Menu->Show();
    Menu->Present({MenuPicture.data(), 300, 200, 300});
    return Answer("menu");
  }

  // Character alone on a white page of Font's line.
  static std::vector<uint32_t> Alone(TTextRenderer& font, const std::string& character) {
    const int width = 80, height = font.LineHeight();
    std::vector<uint32_t> page(static_cast<size_t>(width) * height, 0xFFFFFFFF);
    font.DrawText({page.data(), width, height, width}, 0, 0, character, 0xFF000000, {0, 0, width, height});
    return page;
  }

  bool MeasureInk(const std::string& text) {
    const std::unique_ptr<TTextRenderer> font = Platform.CreateTextRenderer(26);
    if (font == nullptr) return Answer("ink none");
    // No font has a character of the last private plane.
    const std::vector<uint32_t> box = Alone(*font, "\U0010FFFD");
    std::string line = "ink";
    for (size_t at = 0; at < text.size();) {
      size_t length = 1;
      while (at + length < text.size() && (static_cast<unsigned char>(text[at + length]) & 0xC0) == 0x80) ++length;
      const std::vector<uint32_t> page = Alone(*font, text.substr(at, length));
      int ink = 0;
      for (const uint32_t pixel : page) ink += (pixel & 0xFF) < 128;
      line.append(" ").append(std::to_string(ink));
      if (page == box) line.append("/box");
      at += length;
    }
    return Answer(line);
  }

  std::unique_ptr<TPlatformWindow> Overlay;
  std::unique_ptr<TPlatformWindow> Menu;
  std::vector<uint32_t> Picture;
  std::vector<uint32_t> MenuPicture;
  std::string Got;
};

}  // namespace

int main() {
  TProbe probe;
  InstallPlatform(&probe.Platform);
  std::mutex lock;
  std::deque<std::string> commands;
  // Standard input is read on a thread of its own: the program's messages must keep flowing.
  std::thread reader([&] {
    std::string line;
    while (std::getline(std::cin, line)) {
      const std::lock_guard<std::mutex> guard(lock);
      commands.push_back(line);
    }
    const std::lock_guard<std::mutex> guard(lock);
    commands.push_back("quit");
  });
  reader.detach();
  std::printf("ready\n");
  std::fflush(stdout);
  for (bool running = true; running;) {
    probe.Platform.ProcessMessages();
    std::string command;
    {
      const std::lock_guard<std::mutex> guard(lock);
      if (!commands.empty()) {
        command = commands.front();
        commands.pop_front();
      }
    }
    if (command.empty()) probe.Platform.WaitForMessage(5);
    else running = probe.Run(command);
  }
  InstallPlatform(nullptr);
  return 0;
}
