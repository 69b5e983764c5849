#pragma once
// Priority of the calling thread, and the cores a job may spread over.

namespace vistrel::platform {

// Puts the calling thread (only it) at the lowest scheduling priority the system allows an
// ordinary user. False when the system refused.
bool LowerCurrentThreadPriority();

// True when the calling thread runs at that lowest priority.
bool IsCurrentThreadPriorityLowest();

// Cores this process may run on (its CPU affinity where the system has one, else the
// hardware's threads); at least 1.
int AvailableCores();

} // namespace vistrel::platform
