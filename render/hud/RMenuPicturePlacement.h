// RMenuPicturePlacement: where the title and calibration pictures sit on the screen. A picture drawn on the
// full-screen quad is scaled to its own proportions and placed in the menu space, which keeps a 4:3 shape on any
// window and slides with the menus; the shared operations also answer the overlay colour the pictures fade with.
#pragma once

#include "core/types/RMath.h"

namespace RMenuPicturePlacement {

// The 4:3 aspect of the menu space, as a float.
constexpr float kMenuAspect = 1.3333334f;

// The picture's "wvpMat" on a screen of the aspect (width / height): a picture of pictureAspect (width / height;
// 0 collapses it to nothing) at scale s, centred horizontally at the slide offset and vertically at yOffset, the
// menu space narrowed to the screen below 4:3. The scale comes first, then the translation.
RMatrix4 Place(float screenAspect, float pictureAspect, float scale, float yOffset, float slideOffset);

// The menus' slide offset (0 with no menu state current).
float GetSlideOffset();
// The menus' overlay colour as four floats (opaque white with no menu state current).
RVector4 GetOpacityColour();

}  // namespace RMenuPicturePlacement
