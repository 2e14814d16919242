#pragma once
// The program's freed memory, given back to the system.
namespace platform::memory {

// Returns the free pages of the allocator's heaps (of every thread) to the system. Freed memory
// otherwise stays with the program: after her words (a clip's samples, a balloon's pictures) she
// would rest heavier than before them.
void giveBackFreed();

} // namespace platform::memory
