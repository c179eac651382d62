// Test helpers: a temporary folder that stands in for the user's data folder (XDG_DATA_HOME and HOME point into
// it while the helper lives), and a game object whose answers a test chooses.
#pragma once

#include "core/RCore.h"

#include <cstdlib>
#include <filesystem>
#include <string>

class TempUserData {
public:
    TempUserData()
    {
        char pattern[] = "/tmp/rolt-userdata-XXXXXX";
        const char* made = mkdtemp(pattern);
        root = made ? made : "";
        Save("HOME", m_home, m_hadHome);
        Save("XDG_DATA_HOME", m_dataHome, m_hadDataHome);
        setenv("HOME", (root + "/home").c_str(), 1);
        setenv("XDG_DATA_HOME", (root + "/data").c_str(), 1);
    }
    ~TempUserData()
    {
        Restore("HOME", m_home, m_hadHome);
        Restore("XDG_DATA_HOME", m_dataHome, m_hadDataHome);
        std::error_code ignored;
        std::filesystem::remove_all(root, ignored);
    }
    TempUserData(const TempUserData&) = delete;
    TempUserData& operator=(const TempUserData&) = delete;

    std::string root;

private:
    static void Save(const char* name, std::string& value, bool& had)
    {
        const char* current = getenv(name);
        had = current != nullptr;
        value = current ? current : "";
    }
    static void Restore(const char* name, const std::string& value, bool had)
    {
        if (had)
            setenv(name, value.c_str(), 1);
        else
            unsetenv(name);
    }

    std::string m_home, m_dataHome;
    bool m_hadHome = false, m_hadDataHome = false;
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
