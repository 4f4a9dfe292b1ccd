// One game per player and desktop: a lock per user and desktop, held while the game runs.
#pragma once

#include <memory>
#include <string>
#include <utility>

// A lock file in the user's runtime folder ($XDG_RUNTIME_DIR, else a folder of the
// user's own under /tmp), locked with flock. The system lets go of the lock when the
// process ends however it ends, kill -9 included, so a game that died never keeps the
// next one out, and a stale file means nothing.
class TInstanceLock {
 public:
  enum class TOutcome {
    Taken,          // this process holds the lock now
    HeldElsewhere,  // another process holds it: a game runs on that desktop for this user
    Unavailable,    // no lock could be made (Error says why): nothing can be told
  };

  // Tries to take the lock of Desktop, a name the back end gives its desktop (any text;
  // it is made safe as a file name). Lock is set when the outcome is Taken.
  static TOutcome Take(const std::string& desktop, std::unique_ptr<TInstanceLock>& lock, std::string& error);
  // The lock goes with the object.
  ~TInstanceLock();
  TInstanceLock(const TInstanceLock&) = delete;
  TInstanceLock& operator=(const TInstanceLock&) = delete;

  const std::string& Path() const { return File; }

  // The folder the locks of this user lie in; empty, with Error set, when there is none
  // that only this user can write to.
  static std::string Folder(std::string& error);

 private:
  TInstanceLock(int descriptor, std::string file) : Descriptor(descriptor), File(std::move(file)) {}

  int Descriptor;
  std::string File;
};
