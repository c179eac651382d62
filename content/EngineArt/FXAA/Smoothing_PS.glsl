#version 120
// Edge smoothing of the finished scene (@QUALITY@ quality). Where the brightness around a pixel changes sharply,
// the pixel is blended with samples taken along the edge (at right angles to the brightness gradient), which
// softens stair steps while flat areas and gentle gradients pass through unchanged.
uniform sampler2D PreHUDPassBackbuffer;
uniform vec4 rcpFrame;    // 1 / width, 1 / height of the picture
uniform bool bUseFXAA;
varying vec2 uv;

const float kContrastRatio = @CONTRAST_RATIO@;  // contrast an edge needs, relative to the brightest neighbour
const float kContrastFloor = @CONTRAST_FLOOR@;  // contrast an edge needs at least, against noise in dark areas
const int kSteps = @STEPS@;             // samples on each side of the pixel along the edge
const float kStepLength = @STEP_LENGTH@;      // pixels between those samples

float Brightness(vec3 colour)
{
    return dot(colour, vec3(0.299, 0.587, 0.114));
}

vec4 Neighbour(vec2 offsetInPixels)
{
    return texture2D(PreHUDPassBackbuffer, uv + offsetInPixels * rcpFrame.xy);
}

void main()
{
    vec4 centre = texture2D(PreHUDPassBackbuffer, uv);
    if (!bUseFXAA) {
        gl_FragColor = centre;
        return;
    }
    float c = Brightness(centre.rgb);
    float n = Brightness(Neighbour(vec2(0.0, 1.0)).rgb);
    float s = Brightness(Neighbour(vec2(0.0, -1.0)).rgb);
    float e = Brightness(Neighbour(vec2(1.0, 0.0)).rgb);
    float w = Brightness(Neighbour(vec2(-1.0, 0.0)).rgb);
    float darkest = min(c, min(min(n, s), min(e, w)));
    float brightest = max(c, max(max(n, s), max(e, w)));
    float contrast = brightest - darkest;
    vec2 across = vec2(e - w, n - s);
    float gradient = dot(across, across);
    if (contrast < max(kContrastFloor, brightest * kContrastRatio) || gradient < 1e-8) {
        gl_FragColor = centre;
        return;
    }
    vec2 along = vec2(-across.y, across.x) * inversesqrt(gradient);
    vec4 sum = centre;
    for (int i = 1; i <= kSteps; ++i) {
        vec2 offset = along * (float(i) * kStepLength);
        sum += Neighbour(offset) + Neighbour(-offset);
    }
    vec4 smoothed = sum / float(2 * kSteps + 1);
    // The more the pixel stands out from its four neighbours, the more of the smoothed colour it takes.
    float average = (n + s + e + w) * 0.25;
    float blend = clamp(2.0 * abs(average - c) / contrast, 0.0, 1.0);
    gl_FragColor = mix(centre, smoothed, blend);
}
