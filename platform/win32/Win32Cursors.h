// Replacing the system's standard cursors with the gun, and giving them back however the program ends.
#pragma once

#include <memory>
#include <string>

#include "platform/win32/Win32Api.h"

// The two system calls the replacement rests on; tests record them instead.
class TSystemCursorCalls {
 public:
  virtual ~TSystemCursorCalls() = default;
  // Makes Cursor the system cursor of Id; the system takes the handle over when it
  // accepts it (SetSystemCursor).
  virtual bool Replace(HCURSOR cursor, DWORD id) = 0;
  // Reloads the user's standard cursors and tells every application
  // (SystemParametersInfo with SPI_SETCURSORS).
  virtual void RestoreAll() = 0;
};

class TSystemCursors : public TSystemCursorCalls {
 public:
  bool Replace(HCURSOR cursor, DWORD id) override;
  void RestoreAll() override;
};

// The identifiers of the standard cursors replaced: every value from the arrow (32512)
// to the busy arrow (32650). Most between name no cursor; the system refuses those.
constexpr DWORD FirstCursorId = 32512;
constexpr DWORD LastCursorId = 32650;

// The system keeps replaced cursors after the program is gone, so they are given back at
// the end of every game, and on every way out the process can still act on: a console
// control event, the end of the session, an unhandled exception, std::terminate. A
// program killed outright cannot: a marker file, written before the first replacement
// and removed by the restore, tells the next start to give them back.
class TWin32Cursors {
 public:
  // Calls may be null: the system's own are used then. MarkerPath is the marker file.
  TWin32Cursors(std::unique_ptr<TSystemCursorCalls> calls, std::string markerPath);
  ~TWin32Cursors();
  TWin32Cursors(const TWin32Cursors&) = delete;
  TWin32Cursors& operator=(const TWin32Cursors&) = delete;

  // Shows the picture in place of every standard cursor: a fresh copy for each
  // identifier, as the system destroys what it is given. False when the picture
  // cannot be made into a cursor.
  bool Install(HCURSOR picture);
  // Gives the standard cursors back when this run replaced them.
  void Restore();
  // Gives them back when a run killed while its cursors were up left its marker. Only
  // the one game of the session may: another one's marker is a running game's.
  void RepairAfterKilledRun();
  bool Replaced() const { return IsReplaced; }

 private:
  static BOOL WINAPI ConsoleEvent(DWORD event);
  static LONG WINAPI UnhandledException(EXCEPTION_POINTERS* pointers);
  static void Terminating();
  // What every way out does: the cursors back, the marker gone.
  static void RestoreFromAnywhere();

  std::unique_ptr<TSystemCursorCalls> Calls;
  std::string MarkerPath;
  bool IsReplaced = false;
};

// A cursor of Picture (straight-alpha ARGB) with its hot spot at (HotX, HotY), or null.
HCURSOR MakeCursor(const TPixelView& picture, int hotX, int hotY);
