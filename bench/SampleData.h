#pragma once
// The data the benchmarks run on, generated the same way every time so that the library's
// figures and the coreutils/iconv figures are taken on identical bytes.

#include <cstddef>
#include <string>

namespace sample {

constexpr std::size_t kSize = 100u * 1000u * 1000u;

// Random bytes.
std::string Binary(std::size_t size = kSize);
// Base64 of Binary() in lines of 76 characters ending in `lineEnd`.
std::string Base64Lines(const std::string& binary, const char* lineEnd);
// Japanese Shift_JIS text: hiragana, katakana, kanji and punctuation of JIS X 0208 mixed with
// ASCII words, lines of about 40 characters ending in CR LF.
std::string JapaneseText(std::size_t size = kSize);

}  // namespace sample
