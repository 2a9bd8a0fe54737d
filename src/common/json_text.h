#pragma once
// Texts and numbers written as JSON for the tools' --json output. Whatever bytes a meter or
// a file holds, the output is valid JSON: control characters and bytes that are not UTF-8
// are written as \u escapes (a stray byte as the character of its code, as Latin-1 reads
// it), and numbers are written in the C locale.

#include <string>
#include <string_view>

namespace vx {

// `text` as a JSON string literal, quotes included.
std::string JsonString(std::string_view text);

// `value` in its shortest form that reads back the same; null for NaN and the infinities,
// which JSON cannot hold.
std::string JsonNumber(double value);

}  // namespace vx
