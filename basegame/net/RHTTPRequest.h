// RHTTPRequest: one HTTP/1.1 request to the engine's server, made from a GET or POST template, run on its own
// "HTTP Thread" (created through RThreadTagger) over the transport library. It carries the engine's own pieces:
// the Basic authorisation field (RBase64 of "user:password"), the download into a temporary file that takes the
// target's place only when the whole body arrived and its RFile::GetChecksum matches, and a broken download
// resumed by a byte range. The request fails within its time-out whatever the server sends.
// Ownership: the creator holds one reference and the running thread another; each drops its own with Release, so
// a request that outlives the engine's shut-down touches nothing but itself. The count of running requests is
// kept under one lock. The caller reads the results once IsFinished is true.
#pragma once

#include "core/types/RString.h"

#include <atomic>
#include <cstddef>
#include <cstdint>

class RSafeFileWriter;

class RHTTPRequest {
public:
    enum State { kReady, kRunning, kSucceeded, kFailed };

    // The most bytes of a reply kept in memory; a longer reply fails.
    static constexpr size_t kMaxResponseSize = 4u << 20;
    // The largest download; a longer body fails.
    static constexpr int64_t kMaxDownloadSize = int64_t(1) << 30;
    // Tries of a download whose connection broke, the first included; each later one resumes by a byte range.
    static constexpr int kMaxAttempts = 4;
    static constexpr float kDefaultTimeout = 30.0f;

    // The templates: a GET, or a POST of length bytes of body with its content type, to http://host:port/path.
    // Null when the host or the path could not be part of a request line (empty, blanks, control bytes, a path
    // not starting with "/", or too long).
    static RHTTPRequest* MakeGet(const char* host, uint16_t port, const char* path);
    static RHTTPRequest* MakePost(const char* host, uint16_t port, const char* path, const char* contentType,
                                  const void* body, size_t length);

    // Adds "Authorization: Basic " and the base64 text of "user:password". False when it could not be made.
    bool SetBasicAuthorisation(const char* user, const char* password);
    // The reply's body goes to targetPath instead of memory: into a temporary file beside it, which replaces the
    // target only once the body is complete (and, with checkChecksum, its RFile::GetChecksum equals checksum).
    void SetDownload(const char* targetPath, bool checkChecksum, uint32_t checksum);
    // Seconds the whole request may take, tries included; it fails when they run out.
    void SetTimeout(float seconds) { m_timeout = seconds; }

    // Starts the request on an "HTTP Thread". False (and the request failed) when it was started before or no
    // thread could be made. Call from one thread at a time.
    bool Start();
    // Drops the caller's reference; the request is freed when its thread has dropped its own too.
    void Release();

    State GetState() const { return static_cast<State>(m_state.load()); }
    bool IsFinished() const { return GetState() == kSucceeded || GetState() == kFailed; }
    // Once finished: the last HTTP status (0 when none arrived), the reply kept in memory (empty for a download),
    // and what went wrong, in words ("" on success).
    long GetStatus() const { return m_status; }
    const char* GetResponse() const { return m_response ? m_response : ""; }
    size_t GetResponseSize() const { return m_responseSize; }
    const char* GetError() const { return m_error; }
    // The tries a download took (1 when it was never broken).
    int GetAttempts() const { return m_attempts; }

    // Requests started and not yet ended, read under the count's lock.
    static uint32_t GetRunningCount();

private:
    RHTTPRequest();
    ~RHTTPRequest();
    RHTTPRequest(const RHTTPRequest&) = delete;
    RHTTPRequest& operator=(const RHTTPRequest&) = delete;

    static RHTTPRequest* Make(bool post, const char* host, uint16_t port, const char* path);
    static int ThreadMain(void* request);
    static size_t OnBody(char* data, size_t size, size_t count, void* request);
    static size_t OnHeader(char* data, size_t size, size_t count, void* request);
    void Run();
    // One try: the transfer library's result code; the body went to memory or to the download file.
    int RunAttempt(double secondsLeft);
    bool StoreBody(const char* data, size_t size);
    void Fail(const char* format, ...) __attribute__((format(printf, 2, 3)));

    std::atomic<int> m_references{1};
    std::atomic<int> m_state{kReady};

    bool m_post = false;
    RString m_url;
    RString m_headers[4];   // extra header lines, each without its line end
    int m_headerCount = 0;
    char* m_body = nullptr; // a POST's body
    size_t m_bodySize = 0;
    float m_timeout = kDefaultTimeout;

    void* m_transfer = nullptr;    // the transfer library's handle during a try

    // The download.
    RString m_targetPath;
    bool m_checkChecksum = false;
    uint32_t m_checksum = 0;
    RSafeFileWriter* m_file = nullptr;
    int64_t m_fileSize = 0;        // bytes in the temporary file
    int64_t m_resumeFrom = 0;      // the range asked for in this try
    int64_t m_rangeStart = -1;     // the first byte of the reply's Content-Range, -1 when it had none
    bool m_bodyStarted = false;    // this try's body began (the status is known)
    bool m_bodyRefused = false;    // this try's body was not for the file

    // Results.
    long m_status = 0;
    char* m_response = nullptr;
    size_t m_responseSize = 0;
    size_t m_responseCapacity = 0;
    char m_error[256] = "";
    int m_attempts = 0;
};
