#include "App.h"

int main()
{
    return runGame();
}
