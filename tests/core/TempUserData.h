// Test helpers: a temporary folder removed with its contents, one that stands in for the user's data folder
// (XDG_DATA_HOME and HOME point into it while the helper lives), and a game object whose answers a test chooses.
#pragma once

#include "core/system/RCore.h"

#include <cstdlib>
#include <filesystem>
#include <string>

class TempFolder {
public:
    TempFolder()
    {
        char pattern[] = "/tmp/rolt-test-XXXXXX";
        const char* made = mkdtemp(pattern);
        path = made ? made : "";
    }
    ~TempFolder()
    {
        std::error_code ignored;
        std::filesystem::remove_all(path, ignored);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    std::string operator/(const std::string& name) const { return path + "/" + name; }
    // Entries directly inside the folder (a writer that failed leaves no temporary file behind).
    int FileCount() const
    {
        return (int)std::distance(std::filesystem::directory_iterator(path), std::filesystem::directory_iterator());
    }

    std::string path;
};

// Also restores ROLT_RESOURCE_DIR, which a test may point elsewhere.
class TempUserData {
public:
    TempUserData()
    {
        char pattern[] = "/tmp/rolt-userdata-XXXXXX";
        const char* made = mkdtemp(pattern);
        root = made ? made : "";
        for (Saved& saved : m_saved) {
            const char* current = getenv(saved.name);
            saved.had = current != nullptr;
            saved.value = current ? current : "";
        }
        setenv("HOME", (root + "/home").c_str(), 1);
        setenv("XDG_DATA_HOME", (root + "/data").c_str(), 1);
    }
    ~TempUserData()
    {
        for (const Saved& saved : m_saved) {
            if (saved.had)
                setenv(saved.name, saved.value.c_str(), 1);
            else
                unsetenv(saved.name);
        }
        std::error_code ignored;
        std::filesystem::remove_all(root, ignored);
    }
    TempUserData(const TempUserData&) = delete;
    TempUserData& operator=(const TempUserData&) = delete;

    std::string root;

private:
    struct Saved {
        const char* name;
        bool had;
        std::string value;
    } m_saved[3] = {{"HOME", false, ""}, {"XDG_DATA_HOME", false, ""}, {"ROLT_RESOURCE_DIR", false, ""}};
};

// The game object for a test; it is the RCore singleton while it lives.
class TestCore : public RCore {
public:
    explicit TestCore(bool commandLineTool = true, const char* appDataName = "Test Game")
        : m_commandLineTool(commandLineTool), m_appDataName(appDataName)
    {
    }
    const char* GetLocalAppDataPathName() const override { return m_appDataName; }
    bool IsCommandLineTool() const override { return m_commandLineTool; }

    static RCore* CurrentInstance() { return s_instance; }
    static void SetQuitting(bool quitting) { s_quitting = quitting; }

private:
    bool m_commandLineTool;
    const char* m_appDataName;
};
