#include "app/App.h"

int main()
{
    return runGame();
}
