#include "basegame/net/ROnlineServices.h"

#include "basegame/net/RHTTPRequest.h"
#include "core/config/RConfigFile.h"
#include "core/system/RCore.h"
#include "core/types/RHashedString.h"
#include "core/system/RLogger.h"

#include <climits>
#include <cstdio>
#include <cstring>
#include <unistd.h>

namespace {

RHashedString s_serverHost;
int32_t s_serverPort = 80;

const char* const kPatchInfoFileName = "RemotePatchInfo.xml";
// The product's password for the event service; the client id is the user.
const char* const kEventServiceKey = "rolt-events";

void Log(const char* format, const char* what, const char* why)
{
    char line[512];
    snprintf(line, sizeof(line), format, what, why);
    RLogger::GetInstance()->LogSafe(line);
}

// The host, or null after logging that the request is not sent.
const char* HostFor(const char* what)
{
    const char* host = ROnlineServices::GetServerHost();
    if (!host)
        Log("%s not sent: %s", what, "no server host is set ([Online] ServerHost)");
    return host;
}

uint16_t Port()
{
    return s_serverPort > 0 && s_serverPort <= 65535 ? static_cast<uint16_t>(s_serverPort) : 80;
}

// Starts the request, or logs why there is none; the request is handed back running, or null.
RHTTPRequest* Send(RHTTPRequest* request, const char* what)
{
    if (!request) {
        Log("%s not sent: %s", what, "the request could not be made");
        return nullptr;
    }
    if (!request->Start()) {
        Log("%s not sent: %s", what, request->GetError());
        request->Release();
        return nullptr;
    }
    return request;
}

// Letters, digits and "-_." as they are; every other byte as "%XX".
RString PercentEncode(const char* text)
{
    RString encoded;
    char piece[4];
    for (const unsigned char* p = reinterpret_cast<const unsigned char*>(text); *p; ++p) {
        const bool plain = (*p >= 'a' && *p <= 'z') || (*p >= 'A' && *p <= 'Z') || (*p >= '0' && *p <= '9') ||
                           *p == '-' || *p == '_' || *p == '.';
        if (plain)
            snprintf(piece, sizeof(piece), "%c", *p);
        else
            snprintf(piece, sizeof(piece), "%%%02X", *p);
        encoded += piece;
    }
    return encoded;
}

} // namespace

void ROnlineServices::RegisterConfig()
{
    RConfigFile& config = RConfigFile::GetInstance();
    const RHashedString online("Online");
    config.RegisterString(online, RHashedString("ServerHost"), &s_serverHost, RHashedString(""), nullptr);
    config.RegisterInt(online, RHashedString("ServerPort"), &s_serverPort, 80, nullptr);
}

const char* ROnlineServices::GetServerHost()
{
    if (s_serverHost == RHashedString())
        return nullptr;
    const char* host = s_serverHost.GetString();
    return host && host[0] ? host : nullptr;
}

void ROnlineServices::GetClientId(char out[9])
{
    char host[256] = "";
    if (gethostname(host, sizeof(host) - 1) != 0)
        host[0] = 0;
    host[sizeof(host) - 1] = 0;
    uint32_t hash = 5381;
    for (const unsigned char* p = reinterpret_cast<const unsigned char*>(host); *p; ++p)
        hash = hash * 33 + *p;
    snprintf(out, 9, "%08x", hash);
}

RHTTPRequest* ROnlineServices::CheckForPatch()
{
    const char* what = "The patch check";
    const char* host = HostFor(what);
    if (!host)
        return nullptr;
    RCore* core = RCore::GetInstance();
    char folder[PATH_MAX];
    char path[PATH_MAX];
    if (!core || !RCore::MakeUserFolder(folder, sizeof(folder), core->GetLocalAppDataPathName(), "", true) ||
        snprintf(path, sizeof(path), "%s%s", folder, kPatchInfoFileName) >= static_cast<int>(sizeof(path))) {
        Log("%s not sent: %s", what, "there is no user folder");
        return nullptr;
    }
    RHTTPRequest* request = RHTTPRequest::MakeGet(host, Port(), "/patch/RemotePatchInfo.xml");
    if (request)
        request->SetDownload(path, false, 0);
    return Send(request, what);
}

RHTTPRequest* ROnlineServices::RequestMatchmakingInfo()
{
    const char* what = "The matchmaking information request";
    const char* host = HostFor(what);
    if (!host)
        return nullptr;
    char client[9];
    GetClientId(client);
    char path[64];
    snprintf(path, sizeof(path), "/matchmaking/info?client=%s", client);
    return Send(RHTTPRequest::MakeGet(host, Port(), path), what);
}

RHTTPRequest* ROnlineServices::SendEvent(const char* eventName)
{
    const char* what = "The event";
    const char* host = HostFor(what);
    if (!host)
        return nullptr;
    char client[9];
    GetClientId(client);
    RString body("client=");
    body += client;
    body += "&event=";
    body += PercentEncode(eventName ? eventName : "");
    RHTTPRequest* request = RHTTPRequest::MakePost(host, Port(), "/events", "application/x-www-form-urlencoded",
                                                   body.GetString(), strlen(body.GetString()));
    if (request && !request->SetBasicAuthorisation(client, kEventServiceKey)) {
        request->Release();
        request = nullptr;
    }
    return Send(request, what);
}

RHTTPRequest* ROnlineServices::UploadUserInfo(const RString& report)
{
    const char* what = "The user-information upload";
    const char* host = HostFor(what);
    if (!host)
        return nullptr;
    char client[9];
    GetClientId(client);
    char path[64];
    snprintf(path, sizeof(path), "/userinfo?client=%s", client);
    const size_t length = report.GetLength() > 0 ? static_cast<size_t>(report.GetLength()) : 0;
    return Send(RHTTPRequest::MakePost(host, Port(), path, "text/plain; charset=windows-1252", report.GetString(),
                                       length),
                what);
}

void ROnlineServices::UploadReport(const RString& report)
{
    if (RHTTPRequest* request = UploadUserInfo(report))
        request->Release(); // it runs on; the shut-down waits for it
}
