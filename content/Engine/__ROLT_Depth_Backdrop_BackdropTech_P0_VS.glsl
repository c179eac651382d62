#version 120
// The backdrop quad lies on the far plane (z = 1), so anything drawn in front of it hides it.
attribute vec3 inPos;

void main()
{
    gl_Position = vec4(inPos, 1.0);
}
