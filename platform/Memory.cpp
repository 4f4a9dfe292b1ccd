// The C library's heap trimming, where it has one.
#include "platform/Memory.h"

#include <cstdlib>  // defines __GLIBC__ on glibc systems

#if defined(__GLIBC__)
#include <malloc.h>
#endif

void ReturnFreeMemory() {
#if defined(__GLIBC__)
  // Also the free pages in the middle of the heap, not only those at its top.
  malloc_trim(0);
#endif
}
