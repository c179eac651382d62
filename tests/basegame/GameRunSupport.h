// Test helpers for a whole game run inside a test: the surroundings it starts in (the test resources, SDL's dummy
// audio driver, its user folder under the temporary user data), the configuration it reads, and the screenshots
// it saved.
#pragma once

#include "../core/TempUserData.h"
#include "core/files/RStreamMgr.h"
#include "render/images/RImage.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>

// Points the game at the test resources and SDL's dummy audio driver; gives the user folder of the game whose
// local-data name is given.
inline std::filesystem::path PrepareGameRun(const TempUserData& data, const char* name)
{
    setenv("ROLT_RESOURCE_DIR", ROLT_TEST_RESOURCE_DIR, 1);
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    return std::filesystem::path(data.root) / "data" / "Brasswick" / name;
}

// Writes the text as the game's "Config/Config.ini" in the user folder.
inline void WriteGameConfig(const std::filesystem::path& userFolder, const std::string& text)
{
    std::filesystem::create_directories(userFolder / "Config");
    std::ofstream(userFolder / "Config" / "Config.ini", std::ios::binary) << text;
}

// Loads every screenshot in the user folder and hands each, with its path, to check (a screenshot that does not
// load fails the test); gives how many there are.
inline int CheckScreenshots(const std::filesystem::path& userFolder,
                            const std::function<void(const std::filesystem::path&, const RImage&)>& check)
{
    RStreamMgr::GetInstance()->AddSearchPath(""); // absolute paths are found through the working folder
    int shots = 0;
    for (const auto& entry : std::filesystem::directory_iterator(userFolder / "Screenshots")) {
        ++shots;
        RImage image;
        const bool loaded = image.LoadBMP(entry.path().c_str());
        EXPECT_TRUE(loaded) << entry.path();
        if (loaded)
            check(entry.path(), image);
    }
    return shots;
}
