// The HTTP client against a real local server: replies plain, chunked, by range and behind Basic authorisation,
// downloads that replace their target only when whole and matching, and servers that misbehave (garbage, a body
// shorter than its length, a chunk size past 2^63, an endless header line, a stall), each of which must fail
// within the request's time-out, end its thread and leave a good file in place.
#include "TestHTTPServer.h"
#include "tests/TestFiles.h"
#include "basegame/net/RHTTPRequest.h"
#include "core/system/RThreadTagger.h"

#include <SDL.h>
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>

namespace fs = std::filesystem;

namespace {

// The bytes the server's "/file", "/broken" and "/chunked" serve.
std::string Content(size_t size)
{
    std::string bytes(size, 0);
    for (size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<char>((i * 7 + 3) % 251);
    return bytes;
}

// The engine's download checksum worked out here: the XOR of the little-endian 32-bit words, the last one
// padded with zeros.
uint32_t Checksum(const std::string& bytes)
{
    uint32_t sum = 0;
    for (size_t i = 0; i < bytes.size(); i += 4) {
        uint32_t word = 0;
        for (size_t b = 0; b < 4 && i + b < bytes.size(); ++b)
            word |= static_cast<uint32_t>(static_cast<unsigned char>(bytes[i + b])) << (8 * b);
        sum ^= word;
    }
    return sum;
}

// Polls until the request has finished or `seconds` passed; the seconds it took.
double WaitFor(const RHTTPRequest* request, double seconds)
{
    const auto start = std::chrono::steady_clock::now();
    double waited = 0.0;
    while (!request->IsFinished() && waited < seconds) {
        SDL_Delay(10);
        waited = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    }
    return waited;
}

// Polls until no request and no thread but the main one runs, for up to two seconds.
bool AllThreadsEnded()
{
    for (int i = 0; i < 200; ++i) {
        if (RHTTPRequest::GetRunningCount() == 0 && !RThreadTagger::HasRunningThreads())
            return true;
        SDL_Delay(10);
    }
    return false;
}

class HTTPClient : public ::testing::Test {
protected:
    void SetUp() override
    {
        RThreadTagger::GetInstance();
        ASSERT_GT(server.port, 0) << "the test server did not start";
    }

    RHTTPRequest* Get(const std::string& path)
    {
        return RHTTPRequest::MakeGet("127.0.0.1", static_cast<uint16_t>(server.port), path.c_str());
    }

    TestHTTPServer server;
    TempFolder folder;
};

TEST_F(HTTPClient, RepliesArriveWhateverTheirForm)
{
    struct Row {
        const char* name;
        const char* path;
        const char* user;      // Basic authorisation, when not null
        const char* password;
        bool succeeds;
        long status;
        std::string body;
    };
    const Row rows[] = {
        {"a plain reply", "/file?size=3000", nullptr, nullptr, true, 200, Content(3000)},
        {"a chunked reply", "/chunked?size=5000", nullptr, nullptr, true, 200, Content(5000)},
        // A colon in the password is part of it: only the first one parts user and password.
        {"the right credentials", "/auth", "user", "pa:ss", true, 200, "welcome"},
        {"wrong credentials", "/auth", "user", "wrong", false, 401, "who are you"},
        {"no such thing", "/nothing", nullptr, nullptr, false, 404, "no such thing"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        RHTTPRequest* request = Get(row.path);
        ASSERT_NE(request, nullptr);
        if (row.user) {
            ASSERT_TRUE(request->SetBasicAuthorisation(row.user, row.password));
        }
        ASSERT_TRUE(request->Start());
        EXPECT_FALSE(request->Start()) << "a request runs once";
        WaitFor(request, 10.0);
        EXPECT_EQ(request->GetState(), row.succeeds ? RHTTPRequest::kSucceeded : RHTTPRequest::kFailed)
            << request->GetError();
        EXPECT_EQ(request->GetStatus(), row.status);
        EXPECT_EQ(std::string(request->GetResponse(), request->GetResponseSize()), row.body);
        request->Release();
    }

    const std::string body = std::string("a=b&c=") + std::string(3, '\0') + "d";
    RHTTPRequest* post = RHTTPRequest::MakePost("127.0.0.1", static_cast<uint16_t>(server.port), "/echo",
                                                "text/plain", body.data(), body.size());
    ASSERT_NE(post, nullptr);
    ASSERT_TRUE(post->Start());
    WaitFor(post, 10.0);
    EXPECT_EQ(post->GetState(), RHTTPRequest::kSucceeded) << post->GetError();
    EXPECT_EQ(std::string(post->GetResponse(), post->GetResponseSize()), "received text/plain\n" + body);
    EXPECT_EQ(server.Recorded("echo", "body"), body);
    post->Release();
    EXPECT_TRUE(AllThreadsEnded());

    // Hosts and paths that cannot be part of a request line make no request.
    EXPECT_EQ(RHTTPRequest::MakeGet("", 80, "/"), nullptr);
    EXPECT_EQ(RHTTPRequest::MakeGet("host name", 80, "/"), nullptr);
    EXPECT_EQ(RHTTPRequest::MakeGet("host\r\nX: y", 80, "/"), nullptr);
    EXPECT_EQ(RHTTPRequest::MakeGet("host", 80, "no-slash"), nullptr);
    EXPECT_EQ(RHTTPRequest::MakeGet("host", 80, "/a b"), nullptr);
    EXPECT_EQ(RHTTPRequest::MakePost("host", 80, "/", "text/plain\r\nX: y", "", 0), nullptr);
}

TEST_F(HTTPClient, ADownloadReplacesItsTargetOnlyWhenWholeAndMatching)
{
    struct Row {
        const char* name;
        const char* path;
        std::string expected;  // what the server sends whole
        bool rightChecksum;
        bool succeeds;
        int attempts;
        bool checked = true;  // the checksum is checked (the patch information is fetched without one)
    };
    const Row rows[] = {
        {"a plain download", "/file?size=100000", Content(100000), true, true, 1},
        // The connection breaks after a third; the rest is asked for by a byte range.
        {"a broken download, resumed", "/broken?size=100000", Content(100000), true, true, 2},
        // A server that answers the range with the whole body: the part already there is not kept twice.
        {"a broken download, sent again whole", "/broken?size=100000&ranges=0", Content(100000), true, true, 2},
        // A range answered from further on would leave a hole in the file; nothing but the range shows it.
        {"a broken download, resumed from the wrong place", "/broken?size=100000&shift=100", Content(100000), true,
         false, 2, false},
        {"a chunked download", "/chunked?size=5000", Content(5000), true, true, 1},
        {"a wrong checksum", "/file?size=1000", Content(1000), false, false, 1},
        {"an error page", "/nothing", "", true, false, 1},
    };
    const std::string target = folder / "Target.bin";
    const std::string good = "the good file that was here";
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        std::ofstream(target, std::ios::binary) << good;
        RHTTPRequest* request = Get(row.path);
        ASSERT_NE(request, nullptr);
        request->SetDownload(target.c_str(), row.checked, Checksum(row.expected) ^ (row.rightChecksum ? 0u : 1u));
        ASSERT_TRUE(request->Start());
        WaitFor(request, 10.0);
        EXPECT_EQ(request->GetState(), row.succeeds ? RHTTPRequest::kSucceeded : RHTTPRequest::kFailed)
            << request->GetError();
        EXPECT_EQ(request->GetAttempts(), row.attempts);
        EXPECT_EQ(ReadBytes(target), row.succeeds ? row.expected : good);
        EXPECT_EQ(folder.FileCount(), 1) << "no temporary file is left behind";
        request->Release();
    }
    EXPECT_TRUE(AllThreadsEnded());
}

TEST_F(HTTPClient, AServerThatMisbehavesFailsTheRequestWithinItsTimeOut)
{
    const char* const paths[] = {"/garbage", "/short", "/hugechunk", "/endlessheader", "/stall?seconds=20"};
    const std::string target = folder / "Target.bin";
    const std::string good = "the good file that was here";
    for (const char* path : paths) {
        SCOPED_TRACE(path);
        std::ofstream(target, std::ios::binary) << good;
        RHTTPRequest* request = Get(path);
        ASSERT_NE(request, nullptr);
        request->SetDownload(target.c_str(), false, 0);
        request->SetTimeout(2.0f);
        ASSERT_TRUE(request->Start());
        if (std::string(path).find("/stall") == 0) {
            // Each request runs on its own named thread.
            SDL_Delay(200);
            EXPECT_NE(RThreadTagger::GetInstance()->DumpThreads().Find(RString("HTTP Thread [")), -1);
            EXPECT_EQ(RHTTPRequest::GetRunningCount(), 1u);
        }
        const double waited = WaitFor(request, 10.0);
        EXPECT_EQ(request->GetState(), RHTTPRequest::kFailed);
        EXPECT_LT(waited, 5.0) << "failed within the time-out";
        EXPECT_STRNE(request->GetError(), "");
        EXPECT_EQ(ReadBytes(target), good);
        EXPECT_EQ(folder.FileCount(), 1) << "no partial file is left behind";
        request->Release();
        EXPECT_TRUE(AllThreadsEnded());
    }
}

} // namespace
