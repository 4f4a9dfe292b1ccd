// The C library's heap trimming and figures, and the kernel's, where they exist.
#include "platform/Memory.h"

#include <cstdio>
#include <cstdlib>  // defines __GLIBC__ on glibc systems

#if defined(__GLIBC__)
#include <malloc.h>
#endif
#if defined(__linux__)
#include <sys/resource.h>
#include <unistd.h>
#endif

void ReturnFreeMemory() {
#if defined(__GLIBC__)
  // Also the free pages in the middle of the heap, not only those at its top.
  malloc_trim(0);
#endif
}

uint64_t ResidentBytes() {
#if defined(__linux__)
  long pages = 0, resident = 0;
  FILE* statm = std::fopen("/proc/self/statm", "r");
  if (statm == nullptr) return 0;
  if (std::fscanf(statm, "%ld %ld", &pages, &resident) != 2) resident = 0;
  std::fclose(statm);
  return static_cast<uint64_t>(resident) * static_cast<uint64_t>(sysconf(_SC_PAGESIZE));
#else
  return 0;
#endif
}

uint64_t PeakResidentBytes() {
#if defined(__linux__)
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return static_cast<uint64_t>(usage.ru_maxrss) * 1024;  // Linux counts it in KiB
#else
  return 0;
#endif
}

uint64_t HeapBytesInUse() {
#if defined(__GLIBC__)
  return mallinfo2().uordblks;
#else
  return 0;
#endif
}
