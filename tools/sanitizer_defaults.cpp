// Sanitizer settings built into every program of the sanitizer build, so that the game,
// the test programs and the fuzz drivers behave alike however they are started.
#include <dlfcn.h>

#include <initializer_list>

namespace {

// The window library loads the GL driver and unloads it again at the end; a leak inside
// the driver could then no longer be traced to it (its code is gone when the leak check
// runs) and would escape the suppressions below. Opened once more here and never let
// go, the driver stays mapped to the end.
const bool gDriverPinned = [] {
    for (const char* name : {"libGL.so.1", "libGLX.so.0", "libGLX_mesa.so.0", "libgallium_dri.so",
                             "/usr/lib/x86_64-linux-gnu/dri/swrast_dri.so"})
        dlopen(name, RTLD_NOW | RTLD_GLOBAL | RTLD_NODELETE);
    return true;
}();

} // namespace

extern "C" {

const char* __asan_default_options()
{
    return "abort_on_error=1:detect_leaks=1:check_initialization_order=1";
}

const char* __ubsan_default_options()
{
    return "halt_on_error=1:print_stacktrace=1";
}

// Leaks that belong to the GL driver, the X, font and sound libraries: allocations they
// keep for the life of the process and never free.
const char* __lsan_default_suppressions()
{
    return "leak:libGLX_mesa.so\n"
           "leak:libGLX.so\n"
           "leak:swrast_dri.so\n"
           "leak:libgallium\n"
           "leak:libLLVM\n"
           "leak:libX11.so\n"
           "leak:libxcb\n"
           "leak:libfontconfig.so\n"
           "leak:libdbus-1.so\n"
           "leak:libopenal.so\n"
           "leak:libasound.so\n";
}
}
