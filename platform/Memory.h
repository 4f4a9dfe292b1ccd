// Giving memory the program no longer uses back to the system.
#pragma once

// Returns the free parts of the heap to the system. Blocks of many sizes come and go
// during play (sprites, their frames, a level's kinds); the free space they leave is
// scattered, and without this the resident size creeps up over a long session.
void ReturnFreeMemory();
