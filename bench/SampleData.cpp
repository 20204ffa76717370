#include "SampleData.h"

#include "encoding/CBase64.h"

#include <random>

namespace sample {

std::string Binary(std::size_t size)
{
    std::mt19937_64 random(1);
    std::string data(size, '\0');
    for (std::size_t i = 0; i < size; i += 8) {
        std::uint64_t v = random();
        for (std::size_t k = 0; k < 8 && i + k < size; ++k) data[i + k] = static_cast<char>(v >> (8 * k));
    }
    return data;
}

std::string Base64Lines(const std::string& binary, const char* lineEnd)
{
    CString flat;
    CBase64::Encode(reinterpret_cast<const unsigned char*>(binary.data()),
                    static_cast<unsigned>(binary.size()), flat);
    const std::string& s = flat.Str();
    std::string lines;
    lines.reserve(s.size() + s.size() / 38 + 4);
    for (std::size_t i = 0; i < s.size(); i += 76) {
        lines.append(s, i, 76);
        lines += lineEnd;
    }
    return lines;
}

namespace {

void AppendJis(std::string& text, int high, int low)
{
    // JIS X 0208 row/cell to Shift_JIS.
    int lead = ((high - 0x21) >> 1) + 0x81;
    if (lead > 0x9F) lead += 0x40;
    int trail = (high & 1) ? low + (low <= 0x5F ? 0x1F : 0x20) : low + 0x7E;
    text += static_cast<char>(lead);
    text += static_cast<char>(trail);
}

}  // namespace

std::string JapaneseText(std::size_t size)
{
    static const char* const words[] = {"Quillon", "SMTP", "2026", "OK", "e-mail", "PDF", "No.5", "http://example.jp/"};
    std::mt19937 random(2);
    std::string text;
    text.reserve(size + 64);
    int column = 0;
    while (text.size() < size) {
        unsigned pick = random() % 100;
        if (pick < 45) AppendJis(text, 0x24, 0x21 + static_cast<int>(random() % 83));        // hiragana
        else if (pick < 75) AppendJis(text, 0x30 + static_cast<int>(random() % 0x1F), 0x21 + static_cast<int>(random() % 94));  // kanji
        else if (pick < 85) AppendJis(text, 0x25, 0x21 + static_cast<int>(random() % 86));   // katakana
        else if (pick < 90) AppendJis(text, 0x21, 0x22 + static_cast<int>(random() % 2));    // 、。
        else {
            text += ' ';
            text += words[random() % (sizeof words / sizeof words[0])];
            text += ' ';
        }
        if (++column >= 40) {
            text += "\r\n";
            column = 0;
        }
    }
    // End on a character boundary, with a line end.
    while (text.size() > size) text.pop_back();
    text += "\r\n";
    return text;
}

}  // namespace sample
