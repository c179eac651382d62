#include "core/text/RBase64.h"

#include <cstdint>
#include <new>

namespace {

const char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

uint32_t ValueOf(char c)
{
    if (c >= 'A' && c <= 'Z')
        return (uint32_t)(c - 'A');
    if (c >= 'a' && c <= 'z')
        return (uint32_t)(c - 'a') + 26;
    if (c >= '0' && c <= '9')
        return (uint32_t)(c - '0') + 52;
    if (c == '+')
        return 62;
    if (c == '/')
        return 63;
    return 0;
}

} // namespace

bool RBase64::Encode(const unsigned char* data, size_t length, char** outText, size_t* outTextLength)
{
    if (!outText || !outTextLength || (!data && length > 0))
        return false;
    *outText = nullptr;
    *outTextLength = 0;
    size_t groups = length / 3 + (length % 3 ? 1 : 0);
    if (groups > (SIZE_MAX - 1) / 4)
        return false;
    size_t textLength = groups * 4;
    char* text = new (std::nothrow) char[textLength + 1];
    if (!text)
        return false;

    size_t out = 0;
    for (size_t in = 0; in < length; in += 3) {
        size_t remaining = length - in;
        uint32_t triple = (uint32_t)data[in] << 16;
        if (remaining > 1)
            triple |= (uint32_t)data[in + 1] << 8;
        if (remaining > 2)
            triple |= data[in + 2];
        text[out++] = kAlphabet[(triple >> 18) & 63];
        text[out++] = kAlphabet[(triple >> 12) & 63];
        text[out++] = remaining > 1 ? kAlphabet[(triple >> 6) & 63] : '=';
        text[out++] = remaining > 2 ? kAlphabet[triple & 63] : '=';
    }
    text[out] = 0;
    *outText = text;
    *outTextLength = textLength;
    return true;
}

bool RBase64::Decode(const char* text, size_t length, unsigned char** outData, size_t* outDataLength)
{
    if (!outData || !outDataLength || (!text && length > 0))
        return false;
    *outData = nullptr;
    *outDataLength = 0;
    size_t groups = length / 4 + (length % 4 ? 1 : 0);
    if (groups > (SIZE_MAX - 1) / 3)
        return false;
    size_t dataLength = groups * 3;
    unsigned char* data = new (std::nothrow) unsigned char[dataLength + 1];
    if (!data)
        return false;

    size_t out = 0;
    for (size_t in = 0; in < length; in += 4) {
        uint32_t quad = 0;
        for (size_t i = 0; i < 4; ++i)
            quad = (quad << 6) | (in + i < length ? ValueOf(text[in + i]) : 0);
        data[out++] = (unsigned char)(quad >> 16);
        data[out++] = (unsigned char)(quad >> 8);
        data[out++] = (unsigned char)quad;
    }
    data[out] = 0;
    *outData = data;
    *outDataLength = dataLength;
    return true;
}
