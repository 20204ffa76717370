#include "encoding/CBase64.h"

#include <array>
#include <bit>
#include <cstdint>
#include <cstring>
#include <string>

const char CBase64::base64Table[65] =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

namespace {

constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

// Every 12-bit value -> its two Base64 characters, so one lookup writes two characters.
constexpr std::array<char, 2 * 4096> kPairs = [] {
    std::array<char, 2 * 4096> t{};
    for (int v = 0; v < 4096; ++v) {
        t[2 * v] = kAlphabet[v >> 6];
        t[2 * v + 1] = kAlphabet[v & 63];
    }
    return t;
}();

static_assert(std::endian::native == std::endian::little, "the decoder stores groups little-endian");

constexpr std::uint32_t kBad = 0x01000000;

// Character -> its six bits already shifted to their place in a group of four (position
// 0-3), least significant byte first; kBad for "=" and every character outside the alphabet.
constexpr std::array<std::array<std::uint32_t, 256>, 4> kPlaced = [] {
    std::array<std::array<std::uint32_t, 256>, 4> t{};
    for (auto& row : t) row.fill(kBad);
    for (std::uint32_t v = 0; v < 64; ++v) {
        auto c = static_cast<unsigned char>(kAlphabet[v]);
        // The group's 24 bits b0 b1 b2, stored so that byte 0 of the word is b0.
        t[0][c] = v << 2;
        t[1][c] = (v >> 4) | ((v & 15) << 12);
        t[2][c] = ((v >> 2) << 8) | ((v & 3) << 22);
        t[3][c] = v << 16;
    }
    return t;
}();

constexpr std::array<signed char, 256> kValue = [] {
    std::array<signed char, 256> t{};
    t.fill(-1);
    for (int v = 0; v < 64; ++v) t[static_cast<unsigned char>(kAlphabet[v])] = static_cast<signed char>(v);
    return t;
}();

inline void PutPair(char* out, unsigned v) { std::memcpy(out, &kPairs[2 * v], 2); }

}  // namespace

int CBase64::Encode(const unsigned char* data, unsigned int length, CString& out)
{
    std::string& s = out.Str();
    std::size_t start = s.size();
    s.resize(start + (static_cast<std::size_t>(length) + 2) / 3 * 4);
    char* o = s.data() + start;
    const unsigned char* p = data;
    const unsigned char* const end = data + length;

    // Six bytes per step through one 64-bit load: four lookups, eight characters.
    while (end - p >= 8) {
        std::uint64_t word;
        std::memcpy(&word, p, 8);
        word = __builtin_bswap64(word);
        PutPair(o, static_cast<unsigned>(word >> 52) & 0xFFF);
        PutPair(o + 2, static_cast<unsigned>(word >> 40) & 0xFFF);
        PutPair(o + 4, static_cast<unsigned>(word >> 28) & 0xFFF);
        PutPair(o + 6, static_cast<unsigned>(word >> 16) & 0xFFF);
        p += 6;
        o += 8;
    }
    while (end - p >= 3) {
        unsigned v = static_cast<unsigned>(p[0]) << 16 | static_cast<unsigned>(p[1]) << 8 | p[2];
        PutPair(o, v >> 12);
        PutPair(o + 2, v & 0xFFF);
        p += 3;
        o += 4;
    }
    if (end - p == 2) {
        unsigned v = static_cast<unsigned>(p[0]) << 16 | static_cast<unsigned>(p[1]) << 8;
        PutPair(o, v >> 12);
        o[2] = kAlphabet[(v >> 6) & 63];
        o[3] = '=';
    } else if (end - p == 1) {
        PutPair(o, static_cast<unsigned>(p[0]) << 4);
        o[2] = '=';
        o[3] = '=';
    }
    return 1;
}

unsigned int CBase64::CalcEnecodedSize(unsigned int length)
{
    return static_cast<unsigned int>(CalcEnecodedSize64(length));
}

std::uint64_t CBase64::CalcEnecodedSize64(std::uint64_t length)
{
    // 54 input bytes make one 72-character line plus CR LF; the last partial line is counted
    // without its line end, and always rounded up by a whole padding group.
    std::uint64_t q = length / 54;
    std::uint64_t t = (length % 54) * 4 / 3;
    return q * 74 + t + (4 - t % 4);
}

int CBase64::Decode(const CString& text, unsigned char* buffer, unsigned int bufferSize,
                    unsigned int& decodedLength)
{
    decodedLength = 0;
    const std::string& s = text.Str();
    if (buffer == nullptr || bufferSize < s.size()) return 0;
    const auto* p = reinterpret_cast<const unsigned char*>(s.data());
    const auto* const end = p + s.size();
    std::size_t produced = 0;

    while (p < end) {
        // Whole groups of four alphabet characters, written as one 32-bit store while there
        // is room for four bytes.
        while (end - p >= 4 && produced + 4 <= bufferSize) {
            std::uint32_t v = kPlaced[0][p[0]] | kPlaced[1][p[1]] | kPlaced[2][p[2]] | kPlaced[3][p[3]];
            if (v & kBad) break;
            std::memcpy(buffer + produced, &v, 4);
            produced += 3;
            p += 4;
        }
        if (p == end) break;

        // One step of the careful path: a character outside the alphabet, or a group that
        // holds "=" or is cut short by the end of the text. Each step first needs room for
        // three bytes.
        if (produced + 3 > bufferSize) return 0;
        if (kValue[*p] < 0 && *p != '=') {
            ++p;
            continue;
        }
        unsigned char group[4];
        int count = 0;
        while (count < 4 && p < end) {
            unsigned char c = *p++;
            if (kValue[c] >= 0 || c == '=') group[count++] = c;
        }
        std::uint32_t bits = 0;
        for (int i = 0; i < 4; ++i) {
            int v = i < count ? kValue[group[i]] : -1;
            bits = bits << 6 | static_cast<std::uint32_t>(v < 0 ? 0 : v);
        }
        // "=" counts as zero where it stands; a group cut short by the end keeps the whole
        // bytes its characters hold.
        if (count >= 2) buffer[produced++] = static_cast<unsigned char>(bits >> 16);
        if (count >= 3 && group[2] != '=') buffer[produced++] = static_cast<unsigned char>(bits >> 8);
        if (count == 4 && group[3] != '=') buffer[produced++] = static_cast<unsigned char>(bits);
    }
    decodedLength = static_cast<unsigned int>(produced);
    return 1;
}
