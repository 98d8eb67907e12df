// Caches that the font library keeps until exit are not leaks of ours. The
// suite's suppression file reaches a test only through its environment;
// built into each of Halvane's window test programs, the same list also
// holds when a test runs on its own or under a plain `ctest`.
extern "C" const char* __lsan_default_suppressions();
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig\n"; }
