// Sanitizer suppressions for the test programs.
//
// LeakSanitizer: fontconfig keeps a few patterns that the toolkit's font database made while
// matching the dialog font; they live as long as the process, which is not a leak of ours.
extern "C" const char* __lsan_default_suppressions();
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libfontconfig.so\n";
}

// ThreadSanitizer: the test servers' HTTP library is a system library built without the
// sanitizer, so the hand-over of a connection between its own threads is not seen and its
// concurrent requests are reported as races inside it. Races involving our code still show.
extern "C" const char* __tsan_default_suppressions();
extern "C" const char* __tsan_default_suppressions() {
    return "race:libcpp-httplib.so\n";
}
