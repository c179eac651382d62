// RRenderPass: one step of a frame: the targets it draws into (none: the renderer's current render target, or
// the back buffer), how it clears them, its viewport and depth range, and the render groups it draws in order.
// A set-target pass draws nothing and only changes the renderer's current render target. The renderer owns the
// record; the pass only points at groups the renderer owns and at targets their constructors own.
#pragma once

#include <cstdint>

#include "core/types/RHashedString.h"
#include "core/types/RUtilVector.h"
#include "render/frame/RViewport.h"

class RRenderGroup;
class RRenderTarget;

class RRenderPass {
public:
    // Appends the group once; null is ignored.
    void AddGroup(RRenderGroup* group);
    // Erases the group; nothing when it is not listed.
    void RemoveGroup(RRenderGroup* group);

    // Index 0 is bound at its own size; a pass of several targets draws into its last non-null one.
    RUtilVector<RRenderTarget*> targets;
    bool clearColourFlag = false;
    bool clearDepthFlag = true;  // a depth clear also clears the stencil
    uint32_t clearColour = 0;    // packed 0xAARRGGBB
    float clearDepth = 1.0f;
    // Clear even when the targets are those of the pass before.
    bool clearAlways = false;
    bool setTargetFlag = false;
    RRenderTarget* setTarget = nullptr;  // what a set-target pass makes current (null: the back buffer)
    bool enabled = true;
    RViewport viewport;
    RUtilVector<RRenderGroup*> groups;  // drawing order
    RHashedString id;
};
