// RFile: small helpers that every file reader uses: measuring and reading a whole open file, opening only regular
// files (never blocking on anything else), testing that a regular file exists, building a path in a bounded buffer,
// and the engine's word checksum. The caller keeps ownership of the FILE it passes in;
// buffers handed out are the caller's to free with delete[].
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>

class RFile {
public:
    // The file's size in outSize, with the file left positioned at its start. False when the size cannot be
    // measured (a pipe, a directory, a seek error) or is 4 GiB or more.
    static bool GetSize(FILE* file, uint32_t* outSize);

    // Reads the file from its start into a new buffer followed by a 0 byte. outSize is the number of bytes
    // actually read (the 0 byte stands right after them). False, with *outBuffer null, when the size cannot be
    // measured, memory runs out or reading fails.
    static bool ReadWhole(FILE* file, char** outBuffer, uint32_t* outSize);
    // ReadWhole of the regular file at path, which it opens and closes; false, with *outBuffer null, also when
    // path names no readable regular file.
    static bool ReadWholeFile(const char* path, char** outBuffer, uint32_t* outSize);

    // Opens path for reading ("rb") only when it names a regular file (a symbolic link to one included). Anything
    // else that stands there (a folder, a FIFO, a device) is refused with a message on standard error and never
    // blocks the caller. Null when nothing can be read; outPresent (when given) then says whether something
    // exists at path, so that a caller can tell a missing file from one it may not read, and outError (when given)
    // the error that kept it from being opened (no permission, a loop of links), or 0 when what stands there is
    // no regular file. Every reader of user and content files opens them through this.
    static FILE* OpenRegular(const char* path, bool* outPresent = nullptr, int* outError = nullptr);
    // Opens path for writing by the same rule: a regular file (made when missing) is opened without blocking,
    // emptied first unless append is set (then every write goes to its end); anything else that stands there
    // (a folder, a FIFO, a device) is refused and never blocks the caller. Null when nothing can be written
    // there; the caller says so, with outError (when given): the error that kept the file from being opened (a
    // read-only file system, no permission), or 0 when what stands there is no regular file.
    static FILE* OpenRegularToWrite(const char* path, bool append, int* outError = nullptr);

    // True when path names a regular file that this process may read; false for null or "". Opens nothing.
    static bool Exists(const char* path);

    // Writes folder followed by name (joined as they are, so folder brings its own trailing slash) into the
    // caller's buffer of outSize bytes. False, with the buffer emptied, when the path would not fit.
    static bool JoinPath(char* outPath, size_t outSize, const char* folder, const char* name);

    // XOR of the file's consecutive 4-byte little-endian words, a final partial word counting its missing bytes
    // as zero; an empty file gives 0. False, with outChecksum 0, when the file does not exist or cannot be read.
    static bool GetChecksum(const char* path, uint32_t* outChecksum);
};
