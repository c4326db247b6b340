#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "export/base64.h"
#include "tests/kit/process.h"
#include "tests/kit/pixels.h"
#include "tests/kit/process.h"

static std::string Encode(const std::string& s)
{
    return Base64Encode(reinterpret_cast<const unsigned char*>(s.data()), s.size());
}

TEST(Base64Encode, MatchesTheRfc4648TestVectors)
{
    EXPECT_EQ(Encode(""), "");
    EXPECT_EQ(Encode("f"), "Zg==");
    EXPECT_EQ(Encode("fo"), "Zm8=");
    EXPECT_EQ(Encode("foo"), "Zm9v");
    EXPECT_EQ(Encode("foob"), "Zm9vYg==");
    EXPECT_EQ(Encode("fooba"), "Zm9vYmE=");
    EXPECT_EQ(Encode("foobar"), "Zm9vYmFy");
}

TEST(Base64Encode, UsesTheWholeAlphabetIncludingPlusAndSlash)
{
    const unsigned char bytes[] = { 0x00, 0x10, 0x83, 0x10, 0x51, 0x87, 0x20, 0x92, 0x8b,
                                    0x30, 0xd3, 0x8f, 0x41, 0x14, 0x93, 0x51, 0x55, 0x97,
                                    0x61, 0x96, 0x9b, 0x71, 0xd7, 0x9f, 0x82, 0x18, 0xa3,
                                    0x92, 0x59, 0xa7, 0xa2, 0x9a, 0xab, 0xb2, 0xdb, 0xaf,
                                    0xc3, 0x1c, 0xb3, 0xd3, 0x5d, 0xb7, 0xe3, 0x9e, 0xbb,
                                    0xf3, 0xdf, 0xbf };
    EXPECT_EQ(Base64Encode(bytes, sizeof(bytes)),
              "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/");
}

TEST(Base64Encode, PadsByTheBytesLeftOverAfterFullGroups)
{
    const unsigned char bytes[] = { 0xFF, 0xFF, 0xFF, 0xFF, 0xFF };
    EXPECT_EQ(Base64Encode(bytes, 3), "////");
    EXPECT_EQ(Base64Encode(bytes, 4), "/////w==");
    EXPECT_EQ(Base64Encode(bytes, 5), "//////8=");
    const unsigned char zeros[] = { 0, 0, 0, 0 };
    EXPECT_EQ(Base64Encode(zeros, 1), "AA==");
    EXPECT_EQ(Base64Encode(zeros, 2), "AAA=");
    EXPECT_EQ(Base64Encode(zeros, 4), "AAAAAA==");
}

TEST(Base64Encode, EveryLengthUpTo300RoundTripsAtItsExactLength)
{
    std::mt19937 random(300);
    for (size_t n = 0; n <= 300; n++) {
        std::vector<unsigned char> bytes(n);
        for (unsigned char& b : bytes)
            b = (unsigned char)random();
        std::string text = Base64Encode(bytes.data(), n);
        ASSERT_EQ(text.size(), (n + 2) / 3 * 4) << "length " << n;
        ASSERT_EQ(text.find_first_not_of(
                      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/="),
                  std::string::npos);
        std::vector<BYTE> decoded;
        ASSERT_TRUE(Base64Decode(text, &decoded)) << "length " << n;
        ASSERT_EQ(decoded, std::vector<BYTE>(bytes.begin(), bytes.end())) << "length " << n;
    }
}

TEST(Base64Encode, SeveralMegabytesOfRandomBytesRoundTrip)
{
    std::mt19937 random(4242);
    std::vector<unsigned char> bytes(5 * 1024 * 1024 + 1);
    for (unsigned char& b : bytes)
        b = (unsigned char)random();
    std::string text = Base64Encode(bytes.data(), bytes.size());
    EXPECT_EQ(text.size(), (bytes.size() + 2) / 3 * 4);
    EXPECT_EQ(text.find('\n'), std::string::npos);
    std::vector<BYTE> decoded;
    ASSERT_TRUE(Base64Decode(text, &decoded));
    EXPECT_TRUE(decoded == std::vector<BYTE>(bytes.begin(), bytes.end()));
}

// Writes the Base64 text of bytes 0, 1, 2, ... (count given) as the result.
KELVANE_CHILD(write_result)
{
    std::vector<unsigned char> bytes(std::stoul(args.at(0)));
    for (size_t i = 0; i < bytes.size(); i++)
        bytes[i] = (unsigned char)(i * 31 + 7);
    WriteResultText(Base64Encode(bytes.data(), bytes.size()));
    return 0;
}

TEST(WriteResultText, PutsExactlyTheTextOnAStdoutPipe)
{
    for (const char* count : { "0", "1", "2", "1000", "300000" }) {
        ProcessResult result = RunChild("write_result", std::wstring(count, count + strlen(count)));
        ASSERT_TRUE(result.bExited);
        EXPECT_EQ(result.dwExitCode, 0u);
        size_t n = std::stoul(count);
        std::vector<unsigned char> bytes(n);
        for (size_t i = 0; i < n; i++)
            bytes[i] = (unsigned char)(i * 31 + 7);
        // No byte-order mark, no line end, nothing before or after.
        EXPECT_EQ(result.out, Base64Encode(bytes.data(), n)) << "count " << count;
    }
}
