// LeakSanitizer: fontconfig keeps a few patterns that the toolkit's font database made while
// matching the dialog font; they live as long as the process, which is not a leak of ours.
extern "C" const char* __lsan_default_suppressions();
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libfontconfig.so\n";
}
