#pragma once
// Background work that must not hold up the user's threads. Any thread.

namespace platform {

// Gives the calling thread the lowest scheduling weight of ordinary threads: it runs on what
// the others leave over and is slowed, never stopped, on a busy machine. False (and nothing
// changed) when the system refuses.
bool LowerCurrentThreadPriority();

}  // namespace platform
