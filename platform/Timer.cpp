// Timers shared by every back end; time comes from the platform's tick counter.
#include "platform/Timer.h"

#include <algorithm>

#include "platform/Platform.h"

void TTimerQueue::Register(TTimer* timer) { Timers.push_back(timer); }

void TTimerQueue::Unregister(TTimer* timer) {
  // A handler may free a timer while FireDue walks the list: leave a hole, not a shift.
  std::replace(Timers.begin(), Timers.end(), timer, static_cast<TTimer*>(nullptr));
}

void TTimerQueue::FireDue(uint32_t now) {
  if (HoldCount > 0) return;
  for (size_t i = 0; i < Timers.size(); ++i) {
    TTimer* timer = Timers[i];
    if (timer == nullptr || !timer->IsDue(now)) continue;
    // Skip every whole period that has passed, so one late delivery stands for all of them.
    const uint32_t late = now - timer->PeriodStart;
    const uint32_t interval = std::max<uint32_t>(timer->IntervalMs, 1);
    timer->PeriodStart += late / interval * interval;
    if (timer->OnTimer) timer->OnTimer();
  }
  std::erase(Timers, static_cast<TTimer*>(nullptr));
}

std::optional<uint32_t> TTimerQueue::TimeToNextDue(uint32_t now) const {
  std::optional<uint32_t> next;
  if (HoldCount > 0) return next;
  for (const TTimer* timer : Timers) {
    if (timer == nullptr || !timer->IsEnabled) continue;
    const uint32_t wait = timer->TimeToDue(now);
    if (!next || wait < *next) next = wait;
  }
  return next;
}

TTimer::TTimer(uint32_t intervalMs, std::function<void()> onTimer, bool enabled)
    : OnTimer(std::move(onTimer)), IntervalMs(intervalMs), Queue(&CurrentPlatform().Timers()) {
  Queue->Register(this);
  SetEnabled(enabled);
}

TTimer::~TTimer() { Queue->Unregister(this); }

void TTimer::SetEnabled(bool enabled) {
  if (enabled && !IsEnabled) Restart();
  IsEnabled = enabled;
}

void TTimer::SetInterval(uint32_t intervalMs) {
  IntervalMs = intervalMs;
  Restart();
}

void TTimer::Restart() { PeriodStart = CurrentPlatform().TickCount(); }

bool TTimer::IsDue(uint32_t now) const { return IsEnabled && now - PeriodStart >= IntervalMs; }

uint32_t TTimer::TimeToDue(uint32_t now) const {
  const uint32_t elapsed = now - PeriodStart;
  return elapsed >= IntervalMs ? 0 : IntervalMs - elapsed;
}
