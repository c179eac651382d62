#version 120
// One flat colour.
uniform vec4 BackdropColor;

void main()
{
    gl_FragColor = BackdropColor;
}
