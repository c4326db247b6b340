// Throughput of Base64Encode on 8 MB beside memcpy of the same bytes, and of
// a candidate encoder that looks up two characters at a time, checked to
// give the same text.
#include <windows.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "bench/benchutil.h"
#include "export/base64.h"

static const char c_szAlphabet[] =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

// The two characters of every 12-bit value: one lookup per half of a group.
struct PairTable {
    char pairs[4096][2];
    PairTable()
    {
        for (int v = 0; v < 4096; ++v) {
            pairs[v][0] = c_szAlphabet[v >> 6];
            pairs[v][1] = c_szAlphabet[v & 0x3F];
        }
    }
};

static std::string CandidateEncode(const unsigned char* pBytes, size_t cbBytes)
{
    static const PairTable s_table;
    std::string text((cbBytes + 2) / 3 * 4, '=');
    char* pOut = &text[0];
    size_t p = 0;
    for (; p + 2 < cbBytes; p += 3) {
        uint32_t v = ((uint32_t)pBytes[p] << 16) | ((uint32_t)pBytes[p + 1] << 8) | pBytes[p + 2];
        memcpy(pOut, s_table.pairs[v >> 12], 2);
        memcpy(pOut + 2, s_table.pairs[v & 0xFFF], 2);
        pOut += 4;
    }
    if (p + 1 < cbBytes) {
        uint32_t v = ((uint32_t)pBytes[p] << 16) | ((uint32_t)pBytes[p + 1] << 8);
        memcpy(pOut, s_table.pairs[v >> 12], 2);
        pOut[2] = c_szAlphabet[(v >> 6) & 0x3F];
    } else if (p < cbBytes) {
        memcpy(pOut, s_table.pairs[(uint32_t)pBytes[p] << 4], 2);
    }
    return text;
}

static double MegaBytesPerSecond(size_t cb, double ms)
{
    return MegaBytes((double)cb) / (ms / 1000.0);
}

int main(int argc, char** argv)
{
    int nRuns = (argc > 1) ? atoi(argv[1]) : 20;
    const size_t cb = 8u << 20;
    std::vector<unsigned char> bytes(cb + 2);
    uint32_t state = 12345;
    for (unsigned char& b : bytes) {
        state = state * 1664525u + 1013904223u;
        b = (unsigned char)(state >> 24);
    }

    Stats copy = MemcpyFloor(cb, nRuns);
    PrintRow("base64", "8 MB", "memcpy", Format("%.0f MB/s", MegaBytesPerSecond(cb, copy.median)),
             "median " + MedianText(copy) + ", " + SpreadText(copy));

    // The text's storage alone: made at its final length, as the encoder does.
    size_t cchText = 0;
    Stats storage = TimeRuns(nRuns, [&] { cchText += std::string((cb + 2) / 3 * 4, '=').size(); });
    PrintRow("base64", "8 MB", "text storage alone (std::string of 11 MB)", MedianText(storage),
             SpreadText(storage) + "; inside every Base64Encode call");

    Stats encode = TimeRuns(nRuns, [&] { cchText += Base64Encode(bytes.data(), cb).size(); });
    PrintRow("base64", "8 MB", "Base64Encode", Format("%.0f MB/s", MegaBytesPerSecond(cb, encode.median)),
             "median " + MedianText(encode) + ", " + SpreadText(encode) +
             Format("; %.1f%% of memcpy speed", 100.0 * copy.median / encode.median));

    Stats candidate = TimeRuns(nRuns, [&] { cchText += CandidateEncode(bytes.data(), cb).size(); });
    // The candidate must give the program's text exactly, tails included.
    bool bSame = true;
    for (size_t cbTail = 0; cbTail < 3; ++cbTail)
        bSame = bSame && CandidateEncode(bytes.data(), cb - 7 + cbTail) == Base64Encode(bytes.data(), cb - 7 + cbTail);
    PrintRow("base64 option", "8 MB", "two characters per lookup (12-bit table)",
             Format("%.0f MB/s", MegaBytesPerSecond(cb, candidate.median)),
             "median " + MedianText(candidate) + ", " + SpreadText(candidate) +
             (bSame ? "; same text as Base64Encode" : "; TEXT DIFFERS from Base64Encode"));
    return cchText ? 0 : 1;
}
