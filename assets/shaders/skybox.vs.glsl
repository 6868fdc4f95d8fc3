#version 430 core
// The sky cube around the camera. The matrix carries no translation, so the model
// position is the view direction. Placed just inside the far plane so that no near
// plane can cut it.

layout(location = 0) in vec3 inPosition;

uniform mat4 matMVP;

out vec3 vDirection;

void main()
{
    vDirection = inPosition;
    vec4 clip = matMVP * vec4(inPosition, 1.0);
    gl_Position = vec4(clip.xy, clip.w * 0.99999, clip.w);
}
