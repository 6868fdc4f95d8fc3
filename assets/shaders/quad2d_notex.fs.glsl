#version 430 core
// One flat colour with its alpha.

uniform vec4 color;

out vec4 fragColor;

void main()
{
    fragColor = color;
}
