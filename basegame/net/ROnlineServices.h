// ROnlineServices: the engine's online requests to its server: the patch check (which fetches
// "RemotePatchInfo.xml" into the user folder for the update menu to compare), the matchmaking information, the
// event and award service and the user-information upload (the session's report, built from the logger's flush).
// The server is the [Online] "ServerHost" and "ServerPort" settings; with no host set (the default) no request is
// sent and each says so in the log. Each request runs on its own thread (RHTTPRequest); the caller owns the
// reference a request operation hands back. The settings live here; the base game registers them.
#pragma once

#include "core/types/RString.h"

#include <cstdint>

class RHTTPRequest;

class ROnlineServices {
public:
    // Registers [Online] "ServerHost" (empty) and "ServerPort" (80) with the configuration.
    static void RegisterConfig();
    // The host set, or null when none is.
    static const char* GetServerHost();

    // Each starts its request and hands it back (the caller releases it), or null, with a log line saying why,
    // when none was sent: no host set, or the request could not be made or started.
    // GET "/patch/RemotePatchInfo.xml", downloaded to "RemotePatchInfo.xml" in the user folder.
    static RHTTPRequest* CheckForPatch();
    // GET "/matchmaking/info" for this client; the reply stays in the request.
    static RHTTPRequest* RequestMatchmakingInfo();
    // POST of an event ("client=<id>&event=<name>") to "/events", authorised as this client; the reply lists the
    // awards it earned.
    static RHTTPRequest* SendEvent(const char* eventName);
    // POST of the report text to "/userinfo" for this client.
    static RHTTPRequest* UploadUserInfo(const RString& report);
    // The logger's flush callback at shut-down: uploads the joined report and lets the request run on.
    static void UploadReport(const RString& report);

    // This computer's client id: the 32-bit djb2 hash of its host name, as 8 hexadecimal digits.
    static void GetClientId(char out[9]);
};
