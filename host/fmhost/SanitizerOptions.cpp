// Leak checking in the sanitizer build: fontconfig keeps allocations of its
// configuration that nothing can free while pango still uses them.
extern "C" const char* __lsan_default_suppressions()
{
    return "leak:libfontconfig.so\n";
}
