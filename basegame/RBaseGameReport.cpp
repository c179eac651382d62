// The base game's session report: the log header, the "[User]" and "[SessionShutdown]" blocks queued with the
// logger and handed, joined, to "DebugLog_Safe.txt" (and to the user-information upload when the game wants it)
// at shut-down; the start-up steps and failures written to the safe log as they happen, and run-time events to
// the fast log.
#include "basegame/RBaseGame.h"

#include "basegame/net/ROnlineServices.h"
#include "core/system/RLogger.h"
#include "core/system/RTimer.h"
#include "render/frame/RRenderer.h"

#include <SDL.h>
#include <climits>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <sys/utsname.h>
#include <unistd.h>

namespace {

// The most display modes the "[User]" block lists.
const uint32_t kMaxReportedModes = 64;

// A step, event or failure line: room for the two whole paths that the longest ones name, and their words.
const size_t kMaxStepLineBytes = 2 * PATH_MAX + 512;

// Decided on the main thread before the flush is asked for; read by the logger's thread when it hands it over.
bool s_uploadReport = false;

// Runs on the logger's thread with the joined report: each line into the safe log, then the upload.
void DeliverReport(const RString& text)
{
    RLogger* logger = RLogger::GetInstance();
    const char* line = text.GetString();
    const char* end = line + (text.GetLength() > 0 ? text.GetLength() : 0);
    char copy[1024];
    while (line < end) {
        const char* stop = static_cast<const char*>(memchr(line, '\r', static_cast<size_t>(end - line)));
        if (!stop)
            stop = end;
        const size_t length = static_cast<size_t>(stop - line);
        snprintf(copy, sizeof(copy), "%.*s", static_cast<int>(length < sizeof(copy) ? length : sizeof(copy) - 1),
                 line);
        logger->LogSafe(copy);
        line = stop + 2 <= end ? stop + 2 : end; // past "\r\n"
    }
    if (s_uploadReport)
        ROnlineServices::UploadReport(text);
}

void QueueFormatted(RLogger* logger, const char* format, ...) __attribute__((format(printf, 2, 3)));
void QueueFormatted(RLogger* logger, const char* format, ...)
{
    char line[512];
    va_list arguments;
    va_start(arguments, format);
    vsnprintf(line, sizeof(line), format, arguments);
    va_end(arguments);
    logger->QueueLine(line);
}

} // namespace

void RBaseGame::QueueLogHeader()
{
    char stamp[64] = "";
    const time_t now = time(nullptr);
    struct tm local;
    if (localtime_r(&now, &local))
        strftime(stamp, sizeof(stamp), "%Y-%m-%d %H:%M:%S", &local);

    RLogger* logger = RLogger::GetInstance();
    m_logReady = true;
    logger->QueueLine("[Session]");
    QueueFormatted(logger, "Game=%s", GetLocalAppDataPathName());
    QueueFormatted(logger, "Version=%s", m_version.GetString());
    QueueFormatted(logger, "EngineVersion=%s", m_engineVersion.GetString());
    QueueFormatted(logger, "Started=%s", stamp);
}

void RBaseGame::QueueUserBlock()
{
    char host[256] = "";
    if (gethostname(host, sizeof(host) - 1) != 0)
        snprintf(host, sizeof(host), "unknown");
    host[sizeof(host) - 1] = 0;
    struct utsname system;
    if (uname(&system) != 0)
        memset(&system, 0, sizeof(system));
    char renderer[256];
    char version[256];
    RRenderer::GetInstance()->GetDeviceDescription(renderer, sizeof(renderer), version, sizeof(version));

    RLogger* logger = RLogger::GetInstance();
    logger->QueueLine("[User]");
    QueueFormatted(logger, "Computer=%s", host);
    QueueFormatted(logger, "System=%s %s %s (%s)", system.sysname, system.release, system.machine, SDL_GetPlatform());
    QueueFormatted(logger, "GLRenderer=%s", renderer);
    QueueFormatted(logger, "GLVersion=%s", version);
    QueueFormatted(logger, "DisplayModes=%u", m_resolutions.getCount());
    for (uint32_t i = 0; i < m_resolutions.getCount() && i < kMaxReportedModes; ++i)
        QueueFormatted(logger, "DisplayMode=%ux%u", m_resolutions[i].width, m_resolutions[i].height);
}

void RBaseGame::QueueSessionShutdownBlock()
{
    // The clock restarts just before the first frame, so it reads the time played.
    g_pGlobalTimer->Update();
    const float playTime = m_framesDrawn > 0 ? g_pGlobalTimer->GetElapsedSeconds() : 0.0f;
    RLogger* logger = RLogger::GetInstance();
    logger->QueueLine("[SessionShutdown]");
    QueueFormatted(logger, "SessionID=%d", m_config.Get().sessionId);
    QueueFormatted(logger, "FramesDrawn=%u", m_framesDrawn);
    QueueFormatted(logger, "PlayTime=%.1f", playTime);
    QueueFormatted(logger, "AverageFrameTime=%.2f ms", m_framesDrawn > 0 ? playTime * 1000.0f / m_framesDrawn : 0.0f);
}

void RBaseGame::FlushReport()
{
    s_uploadReport = WantsStatsUpload();
    RLogger::GetInstance()->RequestFlush(DeliverReport);
}

void RBaseGame::LogStep(const char* format, ...)
{
    if (!m_logReady)
        return;
    char line[kMaxStepLineBytes];
    va_list arguments;
    va_start(arguments, format);
    vsnprintf(line, sizeof(line), format, arguments);
    va_end(arguments);
    RLogger::GetInstance()->LogSafe(line);
}

void RBaseGame::LogEvent(const char* format, ...)
{
    if (!m_logReady)
        return;
    char line[kMaxStepLineBytes];
    va_list arguments;
    va_start(arguments, format);
    vsnprintf(line, sizeof(line), format, arguments);
    va_end(arguments);
    RLogger::GetInstance()->LogFast(line);
}

void RBaseGame::ReportFailure(const char* format, ...)
{
    char line[kMaxStepLineBytes];
    va_list arguments;
    va_start(arguments, format);
    vsnprintf(line, sizeof(line), format, arguments);
    va_end(arguments);
    fprintf(stderr, "%s\n", RString(line).EscapeControls().GetString());
    if (m_logReady)
        RLogger::GetInstance()->LogSafeAfterStandardError(line);
}
