// Reads "settings.ini" into the globals and the Game object, key by key in file order.
#pragma once

#include <INIReader.h>

class Game;

void readSettings(const INIReader& reader, Game& game);
