// The online requests in a whole program: with no server host none is sent and each says so in the log; with a
// host (the test's local server) each reaches it, the report is uploaded at shut-down, and a shut-down whose
// request still hangs gives up after its deadlock time, naming the thread, and leaves the request to end alone.
#include "GameRunSupport.h"
#include "tests/TestFiles.h"
#include "TestHTTPServer.h"
#include "basegame/RBaseGame.h"
#include "basegame/net/RHTTPRequest.h"
#include "basegame/net/ROnlineServices.h"

#include <SDL.h>
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>

namespace fs = std::filesystem;

namespace {

class OnlineGame : public RBaseGame {
public:
    const char* GetLocalAppDataPathName() const override { return "Online Test"; }
    bool WantsStatsUpload() const override { return true; }
};

int Count(const std::string& text, const std::string& part)
{
    int count = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        ++count;
    return count;
}

bool WaitFor(const RHTTPRequest* request)
{
    for (int i = 0; i < 1000 && !request->IsFinished(); ++i)
        SDL_Delay(10);
    return request->GetState() == RHTTPRequest::kSucceeded;
}

class OnlineServices : public ::testing::Test {
protected:
    void SetUp() override
    {
        userFolder = PrepareGameRun(data, "Online Test");
    }
    void WriteConfig(const std::string& text)
    {
        WriteGameConfig(userFolder, "[General]\r\nQuickStart: true\r\n" + text);
    }

    TempUserData data;
    TestHTTPServer server;
    fs::path userFolder;
};

TEST_F(OnlineServices, WithNoServerHostNothingIsSentAndEachSaysSo)
{
    WriteConfig("");
    EXPECT_EXIT(
        {
            OnlineGame* game = new OnlineGame();
            if (!game->InitEngine() || !game->InitSystems() || !game->InitRuntime())
                exit(2);
            if (ROnlineServices::CheckForPatch() || ROnlineServices::RequestMatchmakingInfo() ||
                ROnlineServices::SendEvent("Level 1"))
                exit(3);
            game->Shutdown(); // asks for the report's upload
            delete game;
            exit(RHTTPRequest::GetRunningCount() == 0 ? 0 : 4);
        },
        ::testing::ExitedWithCode(0), "");
    const std::string log = ReadBytes(userFolder / "Logs" / "DebugLog_Safe.txt");
    EXPECT_EQ(Count(log, "not sent: no server host is set"), 4) << log;
    EXPECT_NE(log.find("The user-information upload not sent"), std::string::npos);
    EXPECT_FALSE(fs::exists(userFolder / "RemotePatchInfo.xml"));
}

TEST_F(OnlineServices, WithAServerHostEachRequestReachesItAndTheReportIsUploaded)
{
    ASSERT_GT(server.port, 0);
    WriteConfig("[Online]\r\nServerHost: 127.0.0.1\r\nServerPort: " + std::to_string(server.port) + "\r\n");
    EXPECT_EXIT(
        {
            OnlineGame* game = new OnlineGame();
            if (!game->InitEngine() || !game->InitSystems() || !game->InitRuntime())
                exit(2);
            RHTTPRequest* patch = ROnlineServices::CheckForPatch();
            RHTTPRequest* matchmaking = ROnlineServices::RequestMatchmakingInfo();
            RHTTPRequest* event = ROnlineServices::SendEvent("Level 1");
            if (!patch || !matchmaking || !event)
                exit(3);
            if (!WaitFor(patch) || !WaitFor(matchmaking) || !WaitFor(event))
                exit(4);
            if (std::string(matchmaking->GetResponse()) != "servers=0\n")
                exit(5);
            patch->Release();
            matchmaking->Release();
            event->Release();
            game->Shutdown(); // uploads the report and waits for the upload
            delete game;
            exit(0);
        },
        ::testing::ExitedWithCode(0), "");
    EXPECT_EQ(ReadBytes(userFolder / "RemotePatchInfo.xml"),
              "<?xml version=\"1.0\"?>\r\n<PatchInfo Version=\"2.0\"/>\r\n");
    char client[9];
    ROnlineServices::GetClientId(client);
    EXPECT_EQ(server.Recorded("events", "body"), std::string("client=") + client + "&event=Level%201");
    EXPECT_EQ(server.Recorded("events", "auth").rfind("Basic ", 0), 0u);
    const std::string report = server.Recorded("userinfo", "body");
    EXPECT_NE(report.find("[SessionShutdown]\r\n"), std::string::npos) << report;
}

TEST_F(OnlineServices, AShutDownGivesUpOnAHangingRequestAfterItsDeadlockTime)
{
    ASSERT_GT(server.port, 0);
    WriteConfig("[Engine]\r\nDeadlockCheckTime: 1\r\n");
    const uint16_t port = static_cast<uint16_t>(server.port);
    EXPECT_EXIT(
        {
            OnlineGame* game = new OnlineGame();
            if (!game->InitEngine() || !game->InitSystems() || !game->InitRuntime())
                exit(2);
            RHTTPRequest* request = RHTTPRequest::MakeGet("127.0.0.1", port, "/stall?seconds=3");
            if (!request || !request->Start())
                exit(3);
            request->Release();
            const auto start = std::chrono::steady_clock::now();
            game->Shutdown();
            delete game;
            const double took = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
            if (took > 2.5)
                exit(4);
            // The request ends after the engine is gone, touching only what it holds itself.
            SDL_Delay(4000);
            exit(RHTTPRequest::GetRunningCount() == 0 ? 0 : 5);
        },
        ::testing::ExitedWithCode(0),
        "gave up waiting for threads after 1 s \\(HTTP requests running: 1\\)(.|\n)*HTTP Thread \\[");
}

} // namespace
