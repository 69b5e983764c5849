#pragma once
// Priority of the calling thread.

namespace vistrel::platform {

// Puts the calling thread (only it) at the lowest scheduling priority the system allows an
// ordinary user. False when the system refused.
bool LowerCurrentThreadPriority();

// True when the calling thread runs at that lowest priority.
bool IsCurrentThreadPriorityLowest();

} // namespace vistrel::platform
