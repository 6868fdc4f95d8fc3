// The program's one way out on an unrecoverable error, and console helpers around it.
#pragma once

#include <string>

// Makes standard output line-buffered so every log line reaches a pipe at once.
void initConsole();

// Prints "ERROR: " + message, restores the display gamma ramp, waits for Enter when
// standard input is a terminal, and ends the process with exit code -1 (status 255).
[[noreturn]] void fatalError(const std::string& message);

// Waits for Enter when standard input is a terminal; returns at once otherwise.
void consolePause();

// Flushes standard output and ends the process at once, without static destructors.
[[noreturn]] void exitNow(int code);
