#include "no_such_file.glsl"
