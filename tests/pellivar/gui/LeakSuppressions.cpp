// Caches that the font and desktop libraries keep until exit are not leaks
// of ours. The suite's suppression file reaches a test only through its
// environment; built into the executable, the same list also holds when the
// test runs on its own.
extern "C" const char* __lsan_default_suppressions();
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig\nleak:libdbus\nleak:libglib\n"; }
