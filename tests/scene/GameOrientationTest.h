// The scene tests' fixture: every test runs in the game's orientation (y grows down, so up is -y) with a
// collision world of its own, destroyed after it, and the engine's own orientation restored.
#pragma once

#include "render/view/RCamera.h"
#include "scene/RCollisionWorld.h"

#include <gtest/gtest.h>

class GameOrientationTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_savedUp = g_worldUp;
        g_worldUp = RVector3{0.0f, -1.0f, 0.0f};
    }
    void TearDown() override
    {
        RCollisionWorld::DestroyInstance();
        g_worldUp = m_savedUp;
    }
    RVector3 m_savedUp;
};
