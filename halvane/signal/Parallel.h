#pragma once

// Element-wise loops of the curve engine run in parallel with a static
// schedule when OpenMP is there; every element is computed on its own, so
// the results are the same with one thread or many. Loops up to 131072
// elements stay on the calling thread: these loops are a few operations per
// element, and waking a team (which then spins) cost more than the loop; a
// whole take's processing ran 6x slower on 8 threads of a loaded machine.
#define HALVANE_SIGNAL_PRAGMA(x) _Pragma(#x)
#if defined(_OPENMP)
#define HALVANE_PARALLEL_FOR(n) HALVANE_SIGNAL_PRAGMA(omp parallel for schedule(static) if ((n) > 131072))
#else
#define HALVANE_PARALLEL_FOR(n)
#endif
