// RSafeFileWriter: writes a text file so that a failure never leaves a half-written file where a good one stood.
// The bytes go to a temporary file beside the target; Commit flushes it to disk and renames it over the target
// only when every write succeeded. The writer owns its temporary file and removes it unless Commit succeeds.
#pragma once

#include <cstdio>

class RSafeFileWriter {
public:
    RSafeFileWriter();
    // Removes the temporary file when Commit was not reached or failed.
    ~RSafeFileWriter();

    // Creates the temporary file beside path. False when it cannot be made (say, a missing folder).
    bool Open(const char* path);
    // Appends formatted text. A failed write is remembered, so that Commit fails.
    void Print(const char* format, ...) __attribute__((format(printf, 2, 3)));
    // The temporary file, for writers that write through stdio themselves (null when not open). Such a writer
    // checks its own writes and calls Commit only when all of them succeeded.
    FILE* GetFile() const { return m_file; }
    // Flushes, syncs and closes the temporary file and renames it over the target; false (the target untouched,
    // the temporary file removed) when the file was never opened or any step, an earlier write included, failed.
    bool Commit();

private:
    RSafeFileWriter(const RSafeFileWriter&) = delete;
    RSafeFileWriter& operator=(const RSafeFileWriter&) = delete;

    void Discard();

    FILE* m_file;
    char* m_tempPath;
    char* m_targetPath;
    bool m_failed;
};
