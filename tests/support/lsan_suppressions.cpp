// fontconfig keeps process-wide font caches (filled partly on pango's own
// worker thread) that it never frees; the leak checker of the sanitizer
// build would report them at the exit of every test that measures or draws
// text. Only allocations made inside fontconfig itself are let through.
extern "C" const char* __lsan_default_suppressions()
{
    return "leak:libfontconfig.so\n";
}
