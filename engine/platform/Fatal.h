// The program's one way out on an unrecoverable error, and console helpers around it.
#pragma once

#include <string>

// Makes standard output line-buffered so every log line reaches a pipe at once.
void initConsole();

// Prints "ERROR: " + message, restores the display gamma ramp, waits for Enter when
// standard input is a terminal, and ends the process with exit code -1 (status 255).
[[noreturn]] void fatalError(const std::string& message);

// Lets a test harness treat a fatal end as an ordinary outcome: when set, the hook gets
// the message first and may throw to unwind instead (returning takes the normal path).
using FatalHook = void (*)(const std::string& message);
void setFatalHook(FatalHook hook);

// Waits for Enter when standard input is a terminal; returns at once otherwise.
void consolePause();

// Flushes standard output and ends the process at once, without static destructors.
[[noreturn]] void exitNow(int code);
