// Leak detection is off for the window tests: SDL unloads the X11 GL driver when a window goes,
// and the allocations the driver leaves behind can no longer be told apart from ours (their
// module is gone). The headless drawing tests keep leak detection on.
extern "C" __attribute__((visibility("default"), used)) const char* __asan_default_options() {
    return "detect_leaks=0";
}
