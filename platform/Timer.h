// Window-message timers: handlers that run every Interval ms, only inside message processing.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

class TTimer;

// The timers of one platform. A timer that is due fires once when messages are
// processed, however many of its periods have passed since (missed periods are
// coalesced, as window-message timers are); its next period keeps the old phase.
class TTimerQueue {
 public:
  void Register(TTimer* timer);
  void Unregister(TTimer* timer);
  // Fires every timer due at Now, in the order the timers were created.
  void FireDue(uint32_t now);
  // Milliseconds from Now until the next enabled timer is due (0 when one is due);
  // none while the timers are held.
  std::optional<uint32_t> TimeToNextDue(uint32_t now) const;
  // While held (by a modal dialog, say), no timer fires; missed periods come as one
  // delivery afterwards, as they always do.
  void Hold() { ++HoldCount; }
  void Release() { --HoldCount; }

 private:
  std::vector<TTimer*> Timers;
  int HoldCount = 0;
};

class TTimer {
 public:
  // Registers with the current platform; the first period starts now when enabled.
  TTimer(uint32_t intervalMs, std::function<void()> onTimer, bool enabled = true);
  ~TTimer();
  TTimer(const TTimer&) = delete;
  TTimer& operator=(const TTimer&) = delete;

  void SetEnabled(bool enabled);
  bool Enabled() const { return IsEnabled; }
  uint32_t Interval() const { return IntervalMs; }
  void SetInterval(uint32_t intervalMs);

  std::function<void()> OnTimer;

 private:
  friend class TTimerQueue;
  void Restart();
  bool IsDue(uint32_t now) const;
  uint32_t TimeToDue(uint32_t now) const;

  uint32_t IntervalMs;
  bool IsEnabled = false;
  uint32_t PeriodStart = 0;  // tick at which the current period began
  TTimerQueue* Queue;
};
