#version 120
// The brightness calibration picture, faded with the menus by their overlay colour.
uniform sampler2D CalibrationTex;
uniform vec4 OpacityColor;
varying vec2 uv;

void main()
{
    gl_FragColor = texture2D(CalibrationTex, uv) * OpacityColor;
}
