// The shared state of the back end: the window class, the monitors and developer messages.
#include "platform/win32/Win32Desktop.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/win32/Win32Text.h"
#include "platform/win32/Win32Window.h"

namespace {

constexpr const wchar_t* ClassName = L"BlastoverWindow";
// The resource number of the game's icon in Blastover.rc.
constexpr int GameIconResource = 1;

TMonitorRect RectOf(HMONITOR monitor) {
  MONITORINFO info{};
  info.cbSize = sizeof info;
  if (monitor == nullptr || !GetMonitorInfoW(monitor, &info))
    return {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
  const RECT& r = info.rcMonitor;
  return {static_cast<int>(r.left), static_cast<int>(r.top), static_cast<int>(r.right - r.left),
          static_cast<int>(r.bottom - r.top)};
}

}  // namespace

std::optional<TMonitorRect> TSystemMonitors::PointerMonitor() {
  POINT pointer{};
  if (!GetCursorPos(&pointer)) return std::nullopt;
  return RectOf(MonitorFromPoint(pointer, MONITOR_DEFAULTTOPRIMARY));
}

TMonitorRect TSystemMonitors::MonitorNear(int x, int y) {
  return RectOf(MonitorFromPoint({x, y}, MONITOR_DEFAULTTONEAREST));
}

TMonitorRect TSystemMonitors::PrimaryMonitor() { return RectOf(MonitorFromPoint({0, 0}, MONITOR_DEFAULTTOPRIMARY)); }

TWin32Desktop::TWin32Desktop(std::unique_ptr<TMonitorSource> source)
    : Module(GetModuleHandleW(nullptr)),
      Monitors(source ? std::move(source) : std::make_unique<TSystemMonitors>()),
      GameMonitor(*Monitors) {
  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof windowClass;
  windowClass.lpfnWndProc = TWin32Window::WindowProcedure;
  windowClass.hInstance = Module;
  windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  // The program's own icon (Blastover.rc) for the task bar and Alt+Tab; a program built
  // without it, such as a test, gets the system's.
  windowClass.hIcon = LoadIconW(Module, MAKEINTRESOURCEW(GameIconResource));
  windowClass.hIconSm = static_cast<HICON>(LoadImageW(Module, MAKEINTRESOURCEW(GameIconResource), IMAGE_ICON,
                                                      GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), 0));
  windowClass.lpszClassName = ClassName;
  // Registered once per process: a second desktop (in tests) finds it there already.
  RegisterClassExW(&windowClass);
}

TWin32Desktop::~TWin32Desktop() = default;

const wchar_t* TWin32Desktop::WindowClass() const { return ClassName; }

void TWin32Desktop::Unregister(TWin32Window* window) {
  Windows.erase(std::remove(Windows.begin(), Windows.end(), window), Windows.end());
}

bool TWin32Desktop::IsOwnWindow(HWND window) const {
  if (window == nullptr) return false;
  DWORD process = 0;
  GetWindowThreadProcessId(window, &process);
  return process == GetCurrentProcessId();
}

void TWin32Desktop::Warn(const std::string& text) {
  if (!Said.insert(text).second) return;
  WarnDeveloper(text);
}

void WarnDeveloper(const std::string& text) {
  const std::string line = "blastover: " + text + "\n";
  OutputDebugStringW(Widen(line).c_str());
  const char* wanted = std::getenv("BLASTOVER_STDERR");
  if (wanted != nullptr && std::strcmp(wanted, "1") == 0) {
    std::fputs(line.c_str(), stderr);
    std::fflush(stderr);
  }
}
