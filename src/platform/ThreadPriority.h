// Priorities of threads.
#pragma once

namespace quib {

// Lets the calling thread give way to the threads at normal priority while both want a
// processor: for work done ahead, whose result nobody waits for yet. Linux gives each thread
// a nice value of its own; the thread keeps the lower priority until it ends.
void LowerCurrentThreadPriority();

} // namespace quib
