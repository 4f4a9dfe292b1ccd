// What the back end's parts share: the program instance, its windows, the game's monitor
// and the one place developer messages go.
#pragma once

#include <functional>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "platform/win32/GameMonitor.h"
#include "platform/win32/Win32Api.h"

class TWin32Window;

// The monitors as the system reports them.
class TSystemMonitors : public TMonitorSource {
 public:
  std::optional<TMonitorRect> PointerMonitor() override;
  TMonitorRect MonitorNear(int x, int y) override;
  TMonitorRect PrimaryMonitor() override;
};

class TWin32Desktop {
 public:
  // Source may be null: the system's own monitors are used then.
  explicit TWin32Desktop(std::unique_ptr<TMonitorSource> source = nullptr);
  ~TWin32Desktop();
  TWin32Desktop(const TWin32Desktop&) = delete;
  TWin32Desktop& operator=(const TWin32Desktop&) = delete;

  HINSTANCE Instance() const { return Module; }
  // The class every window of the program is made of; its procedure hands each message
  // to the TWin32Window the window belongs to.
  const wchar_t* WindowClass() const;
  TGameMonitor& Monitor() { return GameMonitor; }

  void Register(TWin32Window* window) { Windows.push_back(window); }
  void Unregister(TWin32Window* window);
  const std::vector<TWin32Window*>& AllWindows() const { return Windows; }
  bool IsOwnWindow(HWND window) const;

  // A message for a developer: to the debugger's output, and to stderr when
  // BLASTOVER_STDERR=1 (a program without a console has nowhere else to say it).
  // Each text is said once.
  void Warn(const std::string& text);

  // The session ends (the user logs off, the system shuts down): the program is ended
  // once the windows have answered. Run by the first window told.
  std::function<void()> OnSessionEnding;

 private:
  HINSTANCE Module;
  std::unique_ptr<TMonitorSource> Monitors;
  TGameMonitor GameMonitor;
  std::vector<TWin32Window*> Windows;
  std::set<std::string> Said;
};

// Says Text the way TWin32Desktop::Warn does, for parts that have no desktop.
void WarnDeveloper(const std::string& text);
