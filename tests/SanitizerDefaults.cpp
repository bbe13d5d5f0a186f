// The sanitizers' settings, compiled into every executable of the sanitizer build, so that a
// test binary or a program behaves the same however it is started: by `ctest` with or without
// a preset, by an end-to-end test or by hand. Variables in the environment (ASAN_OPTIONS,
// LSAN_OPTIONS, UBSAN_OPTIONS) still override these, flag by flag.

extern "C" {

// A leak is reported, and any report ends the program with a core-dump signal, which a test
// sees as a failure.
__attribute__((visibility("default"), used)) const char* __asan_default_options() {
    return "detect_leaks=1:abort_on_error=1";
}

__attribute__((visibility("default"), used)) const char* __lsan_default_options() {
    return "print_suppressions=0";
}

// The first undefined behaviour ends the program, with the stack that led to it.
__attribute__((visibility("default"), used)) const char* __ubsan_default_options() {
    return "print_stacktrace=1:halt_on_error=1";
}

// Leaks in system libraries, not in our code, left out of the leak checker's report.
__attribute__((visibility("default"), used)) const char* __lsan_default_suppressions() {
    return
        // fontconfig keeps 288 bytes of its first font configuration for the life of the
        // process.
        "leak:libfontconfig.so.1\n"
        // Under an X display with no session bus, Qt's D-Bus thread asks libdbus to find one;
        // libdbus keeps the buffer it read the answer into (1,032 bytes) when the thread ends
        // with the program. Its frames carry no names, so the library is named.
        "leak:libdbus-1.so.3\n";
}

}  // extern "C"
