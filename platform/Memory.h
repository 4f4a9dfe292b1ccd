// The program's memory: giving back what it no longer uses, and how much it holds.
#pragma once

#include <cstdint>

// Returns the free parts of the heap to the system. Blocks of many sizes come and go
// during play (sprites, their frames, a level's kinds); the free space they leave is
// scattered, and without this the resident size creeps up over a long session.
void ReturnFreeMemory();
// The bytes of the program in memory now (its resident size); 0 where the system does not say.
uint64_t ResidentBytes();
// The largest resident size since the program started; 0 where the system does not say.
uint64_t PeakResidentBytes();
// The bytes allocated and not yet freed. Unlike the resident size, this leaves out what
// the allocator keeps for later, so it shows a leak at once. 0 where the allocator does not say.
uint64_t HeapBytesInUse();
