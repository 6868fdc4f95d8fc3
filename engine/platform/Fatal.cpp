#include "platform/Fatal.h"

#include "platform/Gamma.h"

#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <unistd.h>

namespace {

FatalHook gFatalHook = nullptr;

} // namespace

void setFatalHook(FatalHook hook)
{
    gFatalHook = hook;
}

void initConsole()
{
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    std::ios::sync_with_stdio(true);
}

void consolePause()
{
    if (!isatty(STDIN_FILENO))
        return;
    std::cout << "Press Enter to continue . . ." << std::flush;
    std::string line;
    std::getline(std::cin, line);
}

void exitNow(int code)
{
    std::cout.flush();
    std::fflush(stdout);
    std::_Exit(code);
}

void fatalError(const std::string& message)
{
    if (gFatalHook)
        gFatalHook(message);
    std::cout << "ERROR: " << message << std::endl;
    restoreGammaCorrection();
    consolePause();
    exitNow(-1);
}
