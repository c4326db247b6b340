#include "export/base64.h"

#include <windows.h>

#include <iostream>

static const char c_szAlphabet[] =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

std::string Base64Encode(const unsigned char* pBytes, size_t cbBytes)
{
    // Sized once at its final length and written in one pass.
    std::string text((cbBytes + 2) / 3 * 4, '=');
    char* pOut = &text[0];
    const char* A = c_szAlphabet;

    size_t p = 0;
    for (; p + 2 < cbBytes; p += 3) {
        unsigned b0 = pBytes[p], b1 = pBytes[p + 1], b2 = pBytes[p + 2];
        pOut[0] = A[b0 >> 2];
        pOut[1] = A[((b0 & 0x03) << 4) + (b1 >> 4)];
        pOut[2] = A[((b1 & 0x0F) << 2) + (b2 >> 6)];
        pOut[3] = A[b2 & 0x3F];
        pOut += 4;
    }
    if (p + 1 < cbBytes) {          // two bytes left: one "="
        unsigned b0 = pBytes[p], b1 = pBytes[p + 1];
        pOut[0] = A[b0 >> 2];
        pOut[1] = A[((b0 & 0x03) << 4) + (b1 >> 4)];
        pOut[2] = A[(b1 & 0x0F) << 2];
    } else if (p < cbBytes) {       // one byte left: "=="
        unsigned b0 = pBytes[p];
        pOut[0] = A[b0 >> 2];
        pOut[1] = A[(b0 & 0x03) << 4];
    }
    return text;
}

void WriteResultText(const std::string& text)
{
    OutputDebugStringA(text.c_str());
    std::cout << text;
    // Flushed at once, so the text reaches the caller even if the process's
    // end goes wrong. A closed or broken stdout only sets the stream's error.
    std::cout.flush();
}
