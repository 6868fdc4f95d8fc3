// The program: start-up, the main loop and shutdown.
#pragma once

// Runs the game; returns the process exit code.
int runGame();

// Logs, shows and uploads a changed brightness to every shader program.
void applyBrightness();

// Builds the game's 30 shader programs in their fixed order and registers them.
void createShaderPrograms();
