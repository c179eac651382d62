// "ControlBindings.bnd": read over the program's groups and default bindings, written, read again and written
// again: the two written files are the same.
#include "FuzzSupport.h"
#include "platform/input/RControlConfig.h"
#include "platform/input/RDefaultBindings.h"

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    RControlConfig* config = RControlConfig::GetInstance();
    config->SetDefaultBindingsHook([] {
        AddEngineDefaultBindings(*RControlConfig::GetInstance());
        AddGameplayDefaultBindings(*RControlConfig::GetInstance());
    });
    const struct {
        const char* group;
        bool yields, menuStyle, perFrame, hidden;
        const char* actions[8];
    } groups[] = {
        {"General", true, false, true, false, {"Pause"}},
        {"Utility", false, true, true, false, {"OpenConsole", "Screenshot", "DeviceRecognition"}},
        {"Menus", false, false, true, false, {"NavUp", "NavDown", "NavLeft", "NavRight", "NavNext", "Accept", "Cancel", "Click"}},
        {"VisOnly", false, false, true, true, {"PressStart"}},
        {"Gameplay", true, true, false, false, {"MoveLeft", "MoveRight", "Jump", "JumpDown"}},
    };
    for (const auto& group : groups) {
        config->AddGroup(RHashedString(group.group), group.yields, group.menuStyle, group.perFrame, group.hidden);
        for (const char* action : group.actions) {
            if (action)
                config->AddControl(RHashedString(group.group), RHashedString(action), false);
        }
    }
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    RControlConfig* config = RControlConfig::GetInstance();
    const std::string input = WriteInput("ControlBindings.bnd", data, size);
    config->LoadBindings(input.c_str());
    const std::string output = FuzzFolder() + "Saved.bnd";
    FUZZ_CHECK(config->SaveBindings(output.c_str()));
    const std::string first = ReadOutput(output);
    config->LoadBindings(output.c_str());
    FUZZ_CHECK(config->SaveBindings(output.c_str()));
    FUZZ_CHECK(ReadOutput(output) == first);
    return 0;
}
