// Corner (0..1, 0..1) of a quad drawn as glDrawArraysInstanced(GL_TRIANGLES, 0, 3, 2)
// without vertex data: instance 0 is (0,0) (1,0) (1,1), instance 1 is (1,1) (0,1)
// (0,0), both counter-clockwise with y up.
vec2 quadCorner()
{
    const vec2 corners[6] = vec2[6](vec2(0.0, 0.0), vec2(1.0, 0.0), vec2(1.0, 1.0),
                                    vec2(1.0, 1.0), vec2(0.0, 1.0), vec2(0.0, 0.0));
    return corners[clamp(gl_InstanceID, 0, 1) * 3 + clamp(gl_VertexID, 0, 2)];
}
