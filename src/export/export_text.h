// Pieces of text that every export format is made of: numbers, and names made
// safe for XML, JSON and CSV. A name comes from a file name, which may hold any
// bytes: what is not valid UTF-8, a control character or a noncharacter becomes
// U+FFFD, so every output is valid UTF-8.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "logger/logger_line.h"  // AppendMillionths: numbers as the logger line writes them

namespace trackctl {

void AppendUnsigned(std::string& out, std::uint64_t value);

// `text` as valid UTF-8 without control characters.
std::string SanitizedText(std::string_view text);

// Character data or an attribute value between double quotes.
std::string XmlEscaped(std::string_view text);
// A JSON string, quotes included.
std::string JsonString(std::string_view text);
// A CSV field, quoted when it holds a comma or a quote. Text that begins with
// '=', '+', '-' or '@' gets a "'" before it, so that a spreadsheet shows it
// rather than running it as a formula.
std::string CsvField(std::string_view text);

}  // namespace trackctl
