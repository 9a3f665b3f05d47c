// Priorities of threads.
#pragma once

namespace quib {

// Lets the calling thread give way to the program's other threads while both want a
// processor: for work done ahead, whose result nobody waits for yet. Linux gives each thread
// a nice value of its own: the caller's is raised by 10 (to 19 at most) and kept until it ends.
void LowerCurrentThreadPriority();

} // namespace quib
