// One game per player and desktop on Windows: a named mutex of the session, and a hidden
// window through which a later start asks the running game to come to the front.
#pragma once

#include <functional>
#include <string>

#include "platform/win32/Win32Api.h"

class TWin32SoleGame {
 public:
  enum class TOutcome {
    Taken,         // this is the game now
    HeldElsewhere, // another game runs in this session
    Unavailable,   // the system would not say: play anyway
  };

  // Name tells games apart that must not meet (tests give their own; empty is the game's).
  explicit TWin32SoleGame(HINSTANCE instance, std::wstring name = {});
  ~TWin32SoleGame();
  TWin32SoleGame(const TWin32SoleGame&) = delete;
  TWin32SoleGame& operator=(const TWin32SoleGame&) = delete;

  // Takes the session's mark of the running game and, once taken, answers later starts
  // by calling ComeForward inside message processing. Error says why when Unavailable.
  TOutcome Take(std::function<void()> comeForward, std::string& error);
  // Asks the running game to come to the front; false when it cannot be reached (it is
  // still starting, or it has just ended).
  bool AskRunningGameForward();

 private:
  static LRESULT CALLBACK MessengerProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  std::wstring MessengerClass() const;

  HINSTANCE Instance;
  std::wstring Name;
  HANDLE Mark = nullptr;
  HWND Messenger = nullptr;
  std::function<void()> ComeForward;
};
