// The picker's output read back as a caller reads it.
#pragma once

#include <string>

#include "tests/kit/images.h"

// Decodes text: strict Base64 (no line end) of exactly one PNG, nothing after its end chunk; "" or what is wrong.
std::string DecodeSinglePngText(const std::string& text, Image* pImage);
