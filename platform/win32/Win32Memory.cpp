// The process's memory on Windows: its working set and its heap.
#include "platform/Memory.h"

#include "platform/win32/Win32Api.h"

#include <psapi.h>

namespace {

PROCESS_MEMORY_COUNTERS Counters() {
  PROCESS_MEMORY_COUNTERS counters{};
  if (!GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters)) return {};
  return counters;
}

}  // namespace

void ReturnFreeMemory() {
  // Gives the free blocks at the heap's end back and joins the free blocks inside it.
  HeapCompact(GetProcessHeap(), 0);
}

uint64_t ResidentBytes() { return Counters().WorkingSetSize; }

uint64_t PeakResidentBytes() { return Counters().PeakWorkingSetSize; }

uint64_t HeapBytesInUse() {
  // The C library allocates from the process heap: its blocks in use are the program's.
  HANDLE heap = GetProcessHeap();
  if (!HeapLock(heap)) return 0;
  uint64_t used = 0;
  PROCESS_HEAP_ENTRY entry{};
  while (HeapWalk(heap, &entry))
    if (entry.wFlags & PROCESS_HEAP_ENTRY_BUSY) used += entry.cbData;
  HeapUnlock(heap);
  return used;
}
