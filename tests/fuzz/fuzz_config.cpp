// "Config.ini": read into variables of every type, written, read again into a second configuration: the same
// values and the same file.
#include "FuzzSupport.h"
#include "core/config/RConfigFile.h"

namespace {

struct Values {
    int32_t number = 0;
    int32_t ranged = 0;
    float fraction = 0.0f;
    bool flag = false;
    RHashedString name;
    RColor colour = {};
};

void Register(RConfigFile& config, Values& v)
{
    const RHashedString video("Video");
    const RHashedString engine("Engine");
    config.RegisterInt(video, RHashedString("Tate"), &v.number, 0, nullptr);
    config.RegisterInt(engine, RHashedString("MinGameFPS"), &v.ranged, 15, nullptr, 0, 1000);
    config.RegisterFloat(engine, RHashedString("DeadlockCheckTime"), &v.fraction, nullptr, 10.0f, 0.1f, 600.0f);
    config.RegisterBool(video, RHashedString("Fullscreen"), &v.flag, false, nullptr);
    config.RegisterString(RHashedString(), RHashedString("Language"), &v.name, RHashedString(""), nullptr);
    config.RegisterColor(video, RHashedString("Tint"), &v.colour, nullptr, 1.0f, 1.0f, 1.0f, 1.0f);
}

bool Same(const Values& a, const Values& b)
{
    // Floats are written with six decimals, so only the file that comes back is compared for them.
    return a.number == b.number && a.ranged == b.ranged && a.flag == b.flag && a.name == b.name;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string input = WriteInput("Config.ini", data, size);
    Values first;
    RConfigFile config;
    Register(config, first);
    config.Load(input.c_str());
    FUZZ_CHECK(first.ranged >= 0 && first.ranged <= 1000);
    FUZZ_CHECK(first.fraction >= 0.1f && first.fraction <= 600.0f);

    const std::string output = FuzzFolder() + "Saved.ini";
    if (!config.Save(output.c_str()))
        return 0;
    Values second;
    RConfigFile again;
    Register(again, second);
    FUZZ_CHECK(again.Load(output.c_str()));
    FUZZ_CHECK(Same(first, second));
    const std::string savedOnce = ReadOutput(output);
    FUZZ_CHECK(again.Save(output.c_str()));
    FUZZ_CHECK(ReadOutput(output) == savedOnce);
    return 0;
}
