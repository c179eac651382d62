// RBase64: standard base64 (RFC 4648 alphabet, "=" padding) between bytes and text. The output buffers are new
// arrays followed by one extra 0 byte, owned by the caller (delete[]); the input is only read.
#pragma once

#include <cstddef>

class RBase64 {
public:
    // Encodes length bytes into 4 * ceil(length / 3) characters. False only when the output cannot be allocated.
    static bool Encode(const unsigned char* data, size_t length, char** outText, size_t* outTextLength);

    // Decodes the text in groups of four characters, each group giving three bytes, so outDataLength is
    // 3 * ceil(length / 4): padding is not subtracted. A character outside the alphabet (padding included)
    // counts as 0, and so does each character missing from a final short group. Reads exactly length characters.
    static bool Decode(const char* text, size_t length, unsigned char** outData, size_t* outDataLength);
};
