// What every file system of the platform says alike.
#include "platform/FileSystem.h"

std::string LockHeldText(const std::string& path, const std::string& lockPath, int timeoutMs) {
  const std::string wait = timeoutMs < 1000 || timeoutMs % 1000 != 0
                               ? std::to_string(timeoutMs) + " ms"
                               : std::to_string(timeoutMs / 1000) + (timeoutMs == 1000 ? " second" : " seconds");
  return path + " is being saved by another program, which has held " + lockPath + " for more than " + wait;
}
