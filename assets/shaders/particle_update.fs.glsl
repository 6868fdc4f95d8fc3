#version 430 core
// The update pass runs with rasterisation off; this stage only completes the program.

out vec4 fragColor;

void main()
{
    fragColor = vec4(0.0);
}
