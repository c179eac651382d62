// RSafeFileWriter: writes a file so that a failure never leaves a half-written file where a good one stood.
// The bytes go to a temporary file beside the target; Commit flushes it to disk and renames it over the target
// only when every write succeeded. The writer owns its temporary file and removes it unless Commit succeeds.
// A target that is a symbolic link stays one: the file at the end of the link is what gets replaced, and the
// temporary file is made beside it. Temporary files are named "<target>.<process id>.<serial>.tmp".
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>

class RSafeFileWriter {
public:
    RSafeFileWriter();
    // Removes the temporary file when Commit was not reached or failed.
    ~RSafeFileWriter();

    // Creates the temporary file beside path (beside the file a symbolic link at path leads to). False when it
    // cannot be made (say, a missing folder, or a loop of links).
    bool Open(const char* path);
    // Appends size bytes (none is a success). A failed write is remembered, so that Commit fails; every write
    // after it is skipped.
    bool Write(const void* data, size_t size);
    // Appends a 32-bit value, least significant byte first, as the engine's binary files store them.
    bool WriteU32(uint32_t value);
    // Appends formatted text, with the same failure rule.
    void Print(const char* format, ...) __attribute__((format(printf, 2, 3)));
    // The temporary file (null when not open), opened for reading as well as writing. A writer that writes
    // through stdio itself, or builds the file in place by seeking, checks its own writes and calls Commit only
    // when all of them succeeded.
    FILE* GetFile() const { return m_file; }
    // The temporary file's name (null when not open), for readers that open the file while it is being built.
    const char* GetTempPath() const { return m_file ? m_tempPath : nullptr; }
    // Flushes, syncs and closes the temporary file and renames it over the target; false (the target untouched,
    // the temporary file removed) when the file was never opened or any step, an earlier write included, failed.
    bool Commit();
    // Commit, but the file takes the place of path instead of the target given to Open.
    bool CommitAs(const char* path);
    // Closes and removes the temporary file; the target stays as it was.
    void Discard();

    // Removes from folder the temporary files that killed writers left behind: those whose process no longer
    // runs, and this process's own when no writer of it has them open. A program calls it at start-up for the
    // folders it writes, so that temporaries never pile up. Returns the number removed.
    static int RemoveStaleTemporaries(const char* folder);

private:
    RSafeFileWriter(const RSafeFileWriter&) = delete;
    RSafeFileWriter& operator=(const RSafeFileWriter&) = delete;

    FILE* m_file;
    char* m_tempPath;
    char* m_targetPath;
    bool m_failed;
};
