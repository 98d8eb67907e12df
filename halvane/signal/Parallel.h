#pragma once

// Element-wise loops of the curve engine run in parallel with a static
// schedule when OpenMP is there; every element is computed on its own, so
// the results are the same with one thread or many. Short loops stay on the
// calling thread, where starting a team costs more than the loop.
#define HALVANE_SIGNAL_PRAGMA(x) _Pragma(#x)
#if defined(_OPENMP)
#define HALVANE_PARALLEL_FOR(n) HALVANE_SIGNAL_PRAGMA(omp parallel for schedule(static) if ((n) > 16384))
#else
#define HALVANE_PARALLEL_FOR(n)
#endif
