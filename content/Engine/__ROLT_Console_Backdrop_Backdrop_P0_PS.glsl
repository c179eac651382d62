#version 120
varying vec4 colour;

void main()
{
    gl_FragColor = colour;
}
