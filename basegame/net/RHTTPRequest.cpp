#include "basegame/net/RHTTPRequest.h"

#include "core/text/RBase64.h"
#include "core/files/RFile.h"
#include "core/files/RSafeFileWriter.h"
#include "core/system/RThreadTagger.h"

#include <SDL.h>
#include <curl/curl.h>

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <strings.h>
#include <unistd.h>

namespace {

// The count of running requests and its lock. The lock is made once and kept for the rest of the process, so a
// request still running after the shut-down gave up on it finds it whole.
SDL_mutex* s_countLock = nullptr;
uint32_t s_runningCount = 0;
std::once_flag s_globalsMade;

const size_t kMaxHostLength = 253;
const size_t kMaxPathLength = 2048;

void MakeGlobals()
{
    std::call_once(s_globalsMade, [] {
        s_countLock = SDL_CreateMutex();
        curl_global_init(CURL_GLOBAL_DEFAULT);
    });
}

void ChangeRunningCount(int change)
{
    SDL_LockMutex(s_countLock);
    s_runningCount = static_cast<uint32_t>(static_cast<int64_t>(s_runningCount) + change);
    SDL_UnlockMutex(s_countLock);
}

bool IsHostName(const char* host)
{
    const size_t length = host ? strlen(host) : 0;
    if (length == 0 || length > kMaxHostLength)
        return false;
    for (size_t i = 0; i < length; ++i) {
        const char c = host[i];
        if (!((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' || c == '-'))
            return false;
    }
    return true;
}

// A path of a request line: "/" first, then visible characters without the fragment mark.
bool IsRequestPath(const char* path)
{
    const size_t length = path ? strlen(path) : 0;
    if (length == 0 || length > kMaxPathLength || path[0] != '/')
        return false;
    for (size_t i = 0; i < length; ++i) {
        const unsigned char c = static_cast<unsigned char>(path[i]);
        if (c <= 32 || c >= 127 || c == '#')
            return false;
    }
    return true;
}

// Whether a reply to a download's try broke off after some of the body arrived, so a range can fetch the rest.
bool IsBrokenTransfer(int code)
{
    return code == CURLE_PARTIAL_FILE || code == CURLE_RECV_ERROR || code == CURLE_GOT_NOTHING ||
           code == CURLE_SEND_ERROR;
}

} // namespace

RHTTPRequest::RHTTPRequest() = default;

RHTTPRequest::~RHTTPRequest()
{
    delete m_file;
    delete[] m_body;
    free(m_response);
}

RHTTPRequest* RHTTPRequest::Make(bool post, const char* host, uint16_t port, const char* path)
{
    if (!IsHostName(host) || !IsRequestPath(path) || port == 0)
        return nullptr;
    char url[kMaxHostLength + kMaxPathLength + 32];
    snprintf(url, sizeof(url), "http://%s:%u%s", host, static_cast<unsigned>(port), path);
    RHTTPRequest* request = new RHTTPRequest();
    request->m_post = post;
    request->m_url = url;
    return request;
}

RHTTPRequest* RHTTPRequest::MakeGet(const char* host, uint16_t port, const char* path)
{
    RHTTPRequest* request = Make(false, host, port, path);
    if (request)
        request->m_headers[request->m_headerCount++] = "Accept: */*";
    return request;
}

RHTTPRequest* RHTTPRequest::MakePost(const char* host, uint16_t port, const char* path, const char* contentType,
                                     const void* body, size_t length)
{
    if (!contentType || strpbrk(contentType, "\r\n") || (length > 0 && !body) || length > kMaxResponseSize)
        return nullptr;
    RHTTPRequest* request = Make(true, host, port, path);
    if (!request)
        return nullptr;
    RString type("Content-Type: ");
    type += contentType;
    request->m_headers[request->m_headerCount++] = type;
    // The body is sent at once, without waiting for a "100 Continue".
    request->m_headers[request->m_headerCount++] = "Expect:";
    request->m_body = new char[length > 0 ? length : 1];
    if (length > 0)
        memcpy(request->m_body, body, length);
    request->m_bodySize = length;
    return request;
}

bool RHTTPRequest::SetBasicAuthorisation(const char* user, const char* password)
{
    if (!user || !password || GetState() != kReady || m_headerCount >= 4)
        return false;
    RString credentials(user);
    credentials += ":";
    credentials += password;
    char* text = nullptr;
    size_t textLength = 0;
    const size_t length = credentials.GetLength() > 0 ? static_cast<size_t>(credentials.GetLength()) : 0;
    if (!RBase64::Encode(reinterpret_cast<const unsigned char*>(credentials.GetString()), length, &text, &textLength))
        return false;
    RString field("Authorization: Basic ");
    field += text;
    delete[] text;
    m_headers[m_headerCount++] = field;
    return true;
}

void RHTTPRequest::SetDownload(const char* targetPath, bool checkChecksum, uint32_t checksum)
{
    m_targetPath = targetPath;
    m_checkChecksum = checkChecksum;
    m_checksum = checksum;
}

bool RHTTPRequest::Start()
{
    int expected = kReady;
    if (!m_state.compare_exchange_strong(expected, kRunning))
        return false;
    MakeGlobals();
    ChangeRunningCount(1);
    ++m_references; // the thread's
    SDL_Thread* thread = RThreadTagger::GetInstance()->CreateThread(ThreadMain, this, "HTTP Thread");
    if (!thread) {
        --m_references;
        ChangeRunningCount(-1);
        Fail("no thread could be started");
        m_state = kFailed;
        return false;
    }
    SDL_DetachThread(thread);
    return true;
}

void RHTTPRequest::Release()
{
    if (--m_references == 0)
        delete this;
}

uint32_t RHTTPRequest::GetRunningCount()
{
    if (!s_countLock)
        return 0;
    SDL_LockMutex(s_countLock);
    const uint32_t count = s_runningCount;
    SDL_UnlockMutex(s_countLock);
    return count;
}

int RHTTPRequest::ThreadMain(void* request)
{
    RHTTPRequest* self = static_cast<RHTTPRequest*>(request);
    self->Run();
    self->Release();
    // Last: once the count falls the engine may shut down, and nothing of it is touched after this.
    ChangeRunningCount(-1);
    return 0;
}

void RHTTPRequest::Fail(const char* format, ...)
{
    if (m_error[0])
        return; // the first cause is the one reported
    va_list args;
    va_start(args, format);
    vsnprintf(m_error, sizeof(m_error), format, args);
    va_end(args);
    if (!m_error[0])
        snprintf(m_error, sizeof(m_error), "failed");
}

void RHTTPRequest::Run()
{
    const uint64_t deadline = SDL_GetTicks64() + static_cast<uint64_t>((m_timeout > 0.0f ? m_timeout : 0.0f) * 1000.0f);
    const bool download = !m_targetPath.IsEmpty();
    if (download) {
        m_file = new RSafeFileWriter();
        if (!m_file->Open(m_targetPath.GetString()))
            Fail("the download file could not be made beside %s", m_targetPath.GetString());
    }
    bool done = false;
    for (int attempt = 1; attempt <= kMaxAttempts && !done && !m_error[0]; ++attempt) {
        const uint64_t now = SDL_GetTicks64();
        if (now >= deadline) {
            Fail("timed out");
            break;
        }
        m_attempts = attempt;
        const int64_t sizeBefore = m_fileSize;
        const int code = RunAttempt(static_cast<double>(deadline - now) / 1000.0);
        if (code == CURLE_OK) {
            if (m_status < 200 || m_status > 299)
                Fail("the server answered %ld", m_status);
            done = true;
        } else if (!(download && m_fileSize > sizeBefore && IsBrokenTransfer(code))) {
            Fail("%s", curl_easy_strerror(static_cast<CURLcode>(code)));
        }
        // Otherwise the connection broke after some of the body: the next try asks for the rest.
    }
    if (!done)
        Fail("the download broke off %d times", kMaxAttempts);

    if (download && !m_error[0]) {
        uint32_t checksum = 0;
        if (fflush(m_file->GetFile()) != 0 || !RFile::GetChecksum(m_file->GetTempPath(), &checksum))
            Fail("the download could not be read back");
        else if (m_checkChecksum && checksum != m_checksum)
            Fail("the download's checksum %08x is not the expected %08x", checksum, m_checksum);
        else if (!m_file->Commit())
            Fail("the download could not take the place of %s", m_targetPath.GetString());
    }
    if (m_file && m_error[0])
        m_file->Discard();
    m_state = m_error[0] ? kFailed : kSucceeded;
}

int RHTTPRequest::RunAttempt(double secondsLeft)
{
    CURL* curl = curl_easy_init();
    if (!curl)
        return CURLE_FAILED_INIT;
    m_transfer = curl;
    m_status = 0;
    m_rangeStart = -1;
    m_bodyStarted = false;
    m_bodyRefused = false;
    m_resumeFrom = m_fileSize;
    m_responseSize = 0;

    curl_slist* headers = nullptr;
    for (int i = 0; i < m_headerCount; ++i)
        headers = curl_slist_append(headers, m_headers[i].GetString());
    if (m_resumeFrom > 0) {
        char range[64];
        snprintf(range, sizeof(range), "Range: bytes=%lld-", static_cast<long long>(m_resumeFrom));
        headers = curl_slist_append(headers, range);
    }
    const long timeoutMs = static_cast<long>(secondsLeft * 1000.0) > 0 ? static_cast<long>(secondsLeft * 1000.0) : 1;

    curl_easy_setopt(curl, CURLOPT_URL, m_url.GetString());
    curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http");
    curl_easy_setopt(curl, CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_1_1));
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 0L);
    curl_easy_setopt(curl, CURLOPT_TIMEOUT_MS, timeoutMs);
    curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT_MS, timeoutMs);
    curl_easy_setopt(curl, CURLOPT_HTTPHEADER, headers);
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, OnBody);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, this);
    curl_easy_setopt(curl, CURLOPT_HEADERFUNCTION, OnHeader);
    curl_easy_setopt(curl, CURLOPT_HEADERDATA, this);
    curl_easy_setopt(curl, CURLOPT_MAXFILESIZE_LARGE,
                     static_cast<curl_off_t>(m_file ? kMaxDownloadSize : static_cast<int64_t>(kMaxResponseSize)));
    if (m_post) {
        curl_easy_setopt(curl, CURLOPT_POST, 1L);
        curl_easy_setopt(curl, CURLOPT_POSTFIELDS, m_body);
        curl_easy_setopt(curl, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(m_bodySize));
    }

    const CURLcode code = curl_easy_perform(curl);
    long status = 0;
    curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &status);
    m_status = status;
    curl_slist_free_all(headers);
    curl_easy_cleanup(curl);
    m_transfer = nullptr;
    return code;
}

size_t RHTTPRequest::OnHeader(char* data, size_t size, size_t count, void* request)
{
    RHTTPRequest* self = static_cast<RHTTPRequest*>(request);
    const size_t length = size * count;
    static const char kContentRange[] = "Content-Range:";
    const size_t nameLength = sizeof(kContentRange) - 1;
    if (length > nameLength && strncasecmp(data, kContentRange, nameLength) == 0) {
        // "Content-Range: bytes <first>-<last>/<size>"
        char value[128];
        const size_t valueLength = length - nameLength < sizeof(value) - 1 ? length - nameLength : sizeof(value) - 1;
        memcpy(value, data + nameLength, valueLength);
        value[valueLength] = 0;
        long long first = -1;
        if (sscanf(value, " bytes %lld-", &first) == 1 && first >= 0)
            self->m_rangeStart = first;
    }
    return length;
}

size_t RHTTPRequest::OnBody(char* data, size_t size, size_t count, void* request)
{
    RHTTPRequest* self = static_cast<RHTTPRequest*>(request);
    const size_t length = size * count;
    return self->StoreBody(data, length) ? length : 0; // 0 ends the transfer with a write error
}

bool RHTTPRequest::StoreBody(const char* data, size_t size)
{
    if (!m_bodyStarted) {
        m_bodyStarted = true;
        long status = 0;
        curl_easy_getinfo(static_cast<CURL*>(m_transfer), CURLINFO_RESPONSE_CODE, &status);
        m_status = status;
        if (m_file) {
            if (status == 206) {
                // The rest of a broken download: it must start where the file ends.
                if (m_rangeStart != m_resumeFrom) {
                    Fail("the server's range starts at %lld, not at %lld", static_cast<long long>(m_rangeStart),
                         static_cast<long long>(m_resumeFrom));
                    return false;
                }
            } else if (status == 200) {
                // The whole body again: what the file held goes.
                FILE* file = m_file->GetFile();
                if (m_fileSize > 0 &&
                    (fflush(file) != 0 || ftruncate(fileno(file), 0) != 0 || fseek(file, 0, SEEK_SET) != 0)) {
                    Fail("the download file could not be emptied");
                    return false;
                }
                m_fileSize = 0;
            } else {
                m_bodyRefused = true; // an error page is not the file
            }
        }
    }
    if (m_file) {
        if (m_bodyRefused)
            return true;
        if (m_fileSize + static_cast<int64_t>(size) > kMaxDownloadSize) {
            Fail("the download is larger than %lld bytes", static_cast<long long>(kMaxDownloadSize));
            return false;
        }
        if (size > 0 && fwrite(data, 1, size, m_file->GetFile()) != size) {
            Fail("the download could not be written");
            return false;
        }
        m_fileSize += static_cast<int64_t>(size);
        return true;
    }
    if (size > kMaxResponseSize - m_responseSize) {
        Fail("the reply is larger than %zu bytes", kMaxResponseSize);
        return false;
    }
    if (m_responseSize + size + 1 > m_responseCapacity) {
        size_t capacity = m_responseCapacity ? m_responseCapacity : 4096;
        while (capacity < m_responseSize + size + 1)
            capacity *= 2;
        char* grown = static_cast<char*>(realloc(m_response, capacity));
        if (!grown) {
            Fail("out of memory");
            return false;
        }
        m_response = grown;
        m_responseCapacity = capacity;
    }
    memcpy(m_response + m_responseSize, data, size);
    m_responseSize += size;
    m_response[m_responseSize] = 0;
    return true;
}
