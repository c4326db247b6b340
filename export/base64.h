// Base64 text of the PNG bytes and the run's output.
#pragma once

#include <cstddef>
#include <string>

// RFC 4648 base64 with "=" padding and no line breaks; (count + 2) / 3 * 4 characters.
std::string Base64Encode(const unsigned char* pBytes, size_t cbBytes);

// Writes the text to the debugger output, then to standard output, with
// nothing before or after it, and flushes standard output.
void WriteResultText(const std::string& text);
