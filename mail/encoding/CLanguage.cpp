#include "encoding/CLanguage.h"

#include "encoding/CQuotedPrint_p.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <functional>
#include <string>

const char* const CLanguage::kanaTable =
    "。「」、・ヲァィゥェォャュョッーアイウエオカキクケコサシスセソタチツテトナニヌネノハヒフヘホ"
    "マミムメモヤユヨラリルレロワン゛゜";
const char* const CLanguage::dakutenKanaTable1 = "ガギグゲゴザジズゼゾダヂヅデドバビブベボ";
const char* const CLanguage::dakutenKanaTable2 = "バビブベボ";
const char* const CLanguage::handakutenKanaTable = "パピプペポ";

namespace {

constexpr unsigned char kEsc = 0x1B;
constexpr unsigned char kShiftOut = 0x0E;
constexpr unsigned char kShiftIn = 0x0F;

// "〓": what a character without a counterpart in the other code becomes.
constexpr unsigned char kGetaJis[2] = {0x22, 0x2E};
constexpr unsigned char kGetaSjis[2] = {0x81, 0xAC};

enum ByteClass : unsigned char { kSingle = 0, kLead = 1, kKana = 2 };

constexpr std::array<unsigned char, 256> kByteClass = [] {
    std::array<unsigned char, 256> t{};
    for (int b = 0x81; b <= 0x9F; ++b) t[b] = kLead;
    for (int b = 0xE0; b <= 0xFC; ++b) t[b] = kLead;
    for (int b = 0xA1; b <= 0xDF; ++b) t[b] = kKana;
    return t;
}();

// Shift_JIS lead byte -> the JIS row of its first half (0 for a byte that is no lead byte).
constexpr std::array<unsigned char, 256> kSjisRow = [] {
    std::array<unsigned char, 256> t{};
    for (int b = 0x81; b <= 0x9F; ++b) t[b] = static_cast<unsigned char>((b - 0x81) * 2 + 0x21);
    for (int b = 0xE0; b <= 0xFC; ++b) t[b] = static_cast<unsigned char>((b - 0xC1) * 2 + 0x21);
    return t;
}();

// Shift_JIS trail byte -> (row step << 8) | JIS cell byte; 0 for a byte that is no trail byte.
constexpr std::array<std::uint16_t, 256> kSjisTrail = [] {
    std::array<std::uint16_t, 256> t{};
    for (int b = 0x40; b <= 0xFC; ++b) {
        if (b == 0x7F) continue;
        if (b >= 0x9F) t[b] = static_cast<std::uint16_t>(0x100 | (b - 0x7E));
        else t[b] = static_cast<std::uint16_t>(b - (b <= 0x7E ? 0x1F : 0x20));
    }
    return t;
}();

// JIS row (0x21-0x7E) -> Shift_JIS lead byte.
constexpr std::array<unsigned char, 128> kJisLead = [] {
    std::array<unsigned char, 128> t{};
    for (int h = 0x21; h <= 0x7E; ++h) {
        int lead = ((h - 0x21) >> 1) + 0x81;
        t[h] = static_cast<unsigned char>(lead > 0x9F ? lead + 0x40 : lead);
    }
    return t;
}();

// (row parity << 7 | JIS cell) -> Shift_JIS trail byte.
constexpr std::array<unsigned char, 256> kJisTrail = [] {
    std::array<unsigned char, 256> t{};
    for (int l = 0x21; l <= 0x7E; ++l) {
        t[l] = static_cast<unsigned char>(l + 0x7E);
        t[0x80 | l] = static_cast<unsigned char>(l + (l <= 0x5F ? 0x1F : 0x20));
    }
    return t;
}();

// The fast paths' forms of the tables above, read as little-endian 16-bit words so that a
// character takes one add and one store. kSjisRowFast leaves out the leads from 0xF0 on
// (user-defined area, IBM extensions), which take the careful path.
constexpr std::array<std::uint16_t, 256> kSjisRowFast = [] {
    std::array<std::uint16_t, 256> t{};
    for (int b = 0; b < 0xF0; ++b) t[b] = kSjisRow[b];
    // NEC row 13 and the NEC-selected row 0xEE hold characters that JIS X 0208 has
    // elsewhere: see CanonicalSjis.
    t[0x87] = 0;
    t[0xEE] = 0;
    return t;
}();

// (JIS cell << 8) | row step, so that row + this is the JIS pair in memory order.
constexpr std::array<std::uint16_t, 256> kSjisTrailFast = [] {
    std::array<std::uint16_t, 256> t{};
    for (int b = 0; b < 256; ++b) {
        if (kSjisTrail[b] != 0) t[b] = static_cast<std::uint16_t>((kSjisTrail[b] & 0xFF) << 8 | kSjisTrail[b] >> 8);
    }
    return t;
}();

// JIS byte -> Shift_JIS lead byte, 0 for a byte that is not 0x21-0x7E.
constexpr std::array<unsigned char, 256> kJisLeadFast = [] {
    std::array<unsigned char, 256> t{};
    for (int b = 0x21; b <= 0x7E; ++b) t[b] = kJisLead[b];
    return t;
}();

// (row parity << 8 | JIS cell) -> Shift_JIS trail byte, 0 for a cell that is not 0x21-0x7E.
constexpr std::array<unsigned char, 512> kJisTrailFast = [] {
    std::array<unsigned char, 512> t{};
    for (int l = 0x21; l <= 0x7E; ++l) {
        t[l] = kJisTrail[l];
        t[0x100 | l] = kJisTrail[0x80 | l];
    }
    return t;
}();

// The IBM extension characters 0xFA40-0xFC4B (in trail byte order) -> the same character at
// its lowest other code: the NEC-selected rows 0xED/0xEE for most, NEC row 13 for the
// Roman numerals and a few symbols, JIS X 0208 itself for "¬" and "∵". Windows writes these
// characters at either code, but only the twins have a JIS code.
constexpr std::uint16_t kIbmTwin[388] = {
    0xEEEF, 0xEEF0, 0xEEF1, 0xEEF2, 0xEEF3, 0xEEF4, 0xEEF5, 0xEEF6, 0xEEF7, 0xEEF8,
    0x8754, 0x8755, 0x8756, 0x8757, 0x8758, 0x8759, 0x875A, 0x875B, 0x875C, 0x875D,
    0x81CA, 0xEEFA, 0xEEFB, 0xEEFC, 0x878A, 0x8782, 0x8784, 0x81E6, 0xED40, 0xED41,
    0xED42, 0xED43, 0xED44, 0xED45, 0xED46, 0xED47, 0xED48, 0xED49, 0xED4A, 0xED4B,
    0xED4C, 0xED4D, 0xED4E, 0xED4F, 0xED50, 0xED51, 0xED52, 0xED53, 0xED54, 0xED55,
    0xED56, 0xED57, 0xED58, 0xED59, 0xED5A, 0xED5B, 0xED5C, 0xED5D, 0xED5E, 0xED5F,
    0xED60, 0xED61, 0xED62, 0xED63, 0xED64, 0xED65, 0xED66, 0xED67, 0xED68, 0xED69,
    0xED6A, 0xED6B, 0xED6C, 0xED6D, 0xED6E, 0xED6F, 0xED70, 0xED71, 0xED72, 0xED73,
    0xED74, 0xED75, 0xED76, 0xED77, 0xED78, 0xED79, 0xED7A, 0xED7B, 0xED7C, 0xED7D,
    0xED7E, 0xED80, 0xED81, 0xED82, 0xED83, 0xED84, 0xED85, 0xED86, 0xED87, 0xED88,
    0xED89, 0xED8A, 0xED8B, 0xED8C, 0xED8D, 0xED8E, 0xED8F, 0xED90, 0xED91, 0xED92,
    0xED93, 0xED94, 0xED95, 0xED96, 0xED97, 0xED98, 0xED99, 0xED9A, 0xED9B, 0xED9C,
    0xED9D, 0xED9E, 0xED9F, 0xEDA0, 0xEDA1, 0xEDA2, 0xEDA3, 0xEDA4, 0xEDA5, 0xEDA6,
    0xEDA7, 0xEDA8, 0xEDA9, 0xEDAA, 0xEDAB, 0xEDAC, 0xEDAD, 0xEDAE, 0xEDAF, 0xEDB0,
    0xEDB1, 0xEDB2, 0xEDB3, 0xEDB4, 0xEDB5, 0xEDB6, 0xEDB7, 0xEDB8, 0xEDB9, 0xEDBA,
    0xEDBB, 0xEDBC, 0xEDBD, 0xEDBE, 0xEDBF, 0xEDC0, 0xEDC1, 0xEDC2, 0xEDC3, 0xEDC4,
    0xEDC5, 0xEDC6, 0xEDC7, 0xEDC8, 0xEDC9, 0xEDCA, 0xEDCB, 0xEDCC, 0xEDCD, 0xEDCE,
    0xEDCF, 0xEDD0, 0xEDD1, 0xEDD2, 0xEDD3, 0xEDD4, 0xEDD5, 0xEDD6, 0xEDD7, 0xEDD8,
    0xEDD9, 0xEDDA, 0xEDDB, 0xEDDC, 0xEDDD, 0xEDDE, 0xEDDF, 0xEDE0, 0xEDE1, 0xEDE2,
    0xEDE3, 0xEDE4, 0xEDE5, 0xEDE6, 0xEDE7, 0xEDE8, 0xEDE9, 0xEDEA, 0xEDEB, 0xEDEC,
    0xEDED, 0xEDEE, 0xEDEF, 0xEDF0, 0xEDF1, 0xEDF2, 0xEDF3, 0xEDF4, 0xEDF5, 0xEDF6,
    0xEDF7, 0xEDF8, 0xEDF9, 0xEDFA, 0xEDFB, 0xEDFC, 0xEE40, 0xEE41, 0xEE42, 0xEE43,
    0xEE44, 0xEE45, 0xEE46, 0xEE47, 0xEE48, 0xEE49, 0xEE4A, 0xEE4B, 0xEE4C, 0xEE4D,
    0xEE4E, 0xEE4F, 0xEE50, 0xEE51, 0xEE52, 0xEE53, 0xEE54, 0xEE55, 0xEE56, 0xEE57,
    0xEE58, 0xEE59, 0xEE5A, 0xEE5B, 0xEE5C, 0xEE5D, 0xEE5E, 0xEE5F, 0xEE60, 0xEE61,
    0xEE62, 0xEE63, 0xEE64, 0xEE65, 0xEE66, 0xEE67, 0xEE68, 0xEE69, 0xEE6A, 0xEE6B,
    0xEE6C, 0xEE6D, 0xEE6E, 0xEE6F, 0xEE70, 0xEE71, 0xEE72, 0xEE73, 0xEE74, 0xEE75,
    0xEE76, 0xEE77, 0xEE78, 0xEE79, 0xEE7A, 0xEE7B, 0xEE7C, 0xEE7D, 0xEE7E, 0xEE80,
    0xEE81, 0xEE82, 0xEE83, 0xEE84, 0xEE85, 0xEE86, 0xEE87, 0xEE88, 0xEE89, 0xEE8A,
    0xEE8B, 0xEE8C, 0xEE8D, 0xEE8E, 0xEE8F, 0xEE90, 0xEE91, 0xEE92, 0xEE93, 0xEE94,
    0xEE95, 0xEE96, 0xEE97, 0xEE98, 0xEE99, 0xEE9A, 0xEE9B, 0xEE9C, 0xEE9D, 0xEE9E,
    0xEE9F, 0xEEA0, 0xEEA1, 0xEEA2, 0xEEA3, 0xEEA4, 0xEEA5, 0xEEA6, 0xEEA7, 0xEEA8,
    0xEEA9, 0xEEAA, 0xEEAB, 0xEEAC, 0xEEAD, 0xEEAE, 0xEEAF, 0xEEB0, 0xEEB1, 0xEEB2,
    0xEEB3, 0xEEB4, 0xEEB5, 0xEEB6, 0xEEB7, 0xEEB8, 0xEEB9, 0xEEBA, 0xEEBB, 0xEEBC,
    0xEEBD, 0xEEBE, 0xEEBF, 0xEEC0, 0xEEC1, 0xEEC2, 0xEEC3, 0xEEC4, 0xEEC5, 0xEEC6,
    0xEEC7, 0xEEC8, 0xEEC9, 0xEECA, 0xEECB, 0xEECC, 0xEECD, 0xEECE, 0xEECF, 0xEED0,
    0xEED1, 0xEED2, 0xEED3, 0xEED4, 0xEED5, 0xEED6, 0xEED7, 0xEED8, 0xEED9, 0xEEDA,
    0xEEDB, 0xEEDC, 0xEEDD, 0xEEDE, 0xEEDF, 0xEEE0, 0xEEE1, 0xEEE2, 0xEEE3, 0xEEE4,
    0xEEE5, 0xEEE6, 0xEEE7, 0xEEE8, 0xEEE9, 0xEEEA, 0xEEEB, 0xEEEC,
};

// The NEC row 13 characters that JIS X 0208 has too (≒ ≡ ∫ √ ⊥ ∠ ∵ ∩ ∪), by trail byte
// 0x90-0x9C -> their JIS X 0208 code in Shift_JIS; 0 for the others.
constexpr std::uint16_t kNecTwin[13] = {
    0x81E0, 0x81DF, 0x81E7, 0, 0, 0x81E3, 0x81DB, 0x81DA, 0, 0, 0x81E6, 0x81BF, 0x81BE,
};

// The lowest code of the same character: an IBM extension (0xFA40-0xFC4B) becomes its
// NEC-selected or JIS twin, a NEC row 13 or NEC-selected character that JIS X 0208 has
// becomes the JIS one.
// 0 for a pair that is no character (user-defined area, out of the table).
inline unsigned CanonicalSjis(unsigned lead, unsigned trail)
{
    if (kSjisTrail[trail] == 0 || kSjisRow[lead] == 0) return 0;
    if (lead >= 0xF0) {
        // 0xF0-0xF9 is the user-defined area: no JIS code.
        if (lead < 0xFA) return 0;
        unsigned index = (lead - 0xFA) * 188 + trail - (trail > 0x7F ? 0x41 : 0x40);
        if (index >= sizeof kIbmTwin / sizeof kIbmTwin[0]) return 0;
        return kIbmTwin[index];
    }
    if (lead == 0x87 && trail >= 0x90 && trail <= 0x9C && kNecTwin[trail - 0x90] != 0) {
        return kNecTwin[trail - 0x90];
    }
    // "¬" stands among the NEC-selected IBM extensions too.
    if (lead == 0xEE && trail == 0xF9) return 0x81CA;
    return lead << 8 | trail;
}

// JIS code of a Shift_JIS pair, 0 when it has none.
inline unsigned SjisToJis(unsigned lead, unsigned trail)
{
    unsigned code = CanonicalSjis(lead, trail);
    if (code == 0) return 0;
    unsigned cell = kSjisTrail[code & 0xFF];
    return (kSjisRow[code >> 8] + (cell >> 8)) << 8 | (cell & 0xFF);
}

// Whether JIS X 0208 assigns a character to the code (rows 1 to 84, as published).
bool IsJisX0208(unsigned code)
{
    unsigned row = (code >> 8) - 0x20;
    unsigned cell = (code & 0xFF) - 0x20;
    if (row < 1 || row > 84 || cell < 1 || cell > 94) return false;
    // Rows 1 to 8: symbols, letters and kana, with gaps.
    static const struct { unsigned from, to; } kAssigned[] = {
        {0x2121, 0x217E}, {0x2221, 0x222E}, {0x223A, 0x2241}, {0x224A, 0x2250},
        {0x225C, 0x226A}, {0x2272, 0x2279}, {0x227E, 0x227E}, {0x2330, 0x2339},
        {0x2341, 0x235A}, {0x2361, 0x237A}, {0x2421, 0x2473}, {0x2521, 0x2576},
        {0x2621, 0x2638}, {0x2641, 0x2658}, {0x2721, 0x2741}, {0x2751, 0x2771},
        {0x2821, 0x2840},
    };
    if (row <= 8) {
        for (const auto& range : kAssigned) {
            if (code >= range.from && code <= range.to) return true;
        }
        return false;
    }
    // Rows 16 to 84: kanji; row 47 ends at cell 51, row 84 at cell 6.
    if (row < 16) return false;
    if (row == 47) return cell <= 51;
    if (row == 84) return cell <= 6;
    return true;
}

inline bool IsJisByte(unsigned b) { return b - 0x21 <= 0x7E - 0x21; }

// Shift_JIS code of a JIS pair, 0 when it has none.
inline unsigned JisToSjis(unsigned high, unsigned low)
{
    if (!IsJisByte(high) || !IsJisByte(low)) return 0;
    return kJisLead[high] << 8 | kJisTrail[(high & 1) << 7 | low];
}

// An output buffer over a std::string that grows on demand; Finish() cuts it to what was
// written. Writing goes through a raw pointer so the loops stay tight.
class Writer {
public:
    Writer(std::string& s, std::size_t expected) : s_(s), start_(s.size())
    {
        s_.resize(start_ + expected);
        at_ = s_.data() + start_;
        end_ = s_.data() + s_.size();
    }
    void Room(std::size_t need)
    {
        if (static_cast<std::size_t>(end_ - at_) >= need) return;
        std::size_t used = static_cast<std::size_t>(at_ - s_.data());
        s_.resize(s_.size() + std::max(need, s_.size() / 2));
        at_ = s_.data() + used;
        end_ = s_.data() + s_.size();
    }
    void Put(unsigned char b) { *at_++ = static_cast<char>(b); }
    void Put2(unsigned code)
    {
        at_[0] = static_cast<char>(code >> 8);
        at_[1] = static_cast<char>(code);
        at_ += 2;
    }
    void PutWord(std::uint16_t bytes)
    {
        std::memcpy(at_, &bytes, 2);
        at_ += 2;
    }
    void Put(const void* data, std::size_t n)
    {
        std::memcpy(at_, data, n);
        at_ += n;
    }
    std::size_t Size() const { return static_cast<std::size_t>(at_ - s_.data()) - start_; }
    char* Begin() { return s_.data() + start_; }
    void Finish() { s_.resize(static_cast<std::size_t>(at_ - s_.data())); }

private:
    std::string& s_;
    std::size_t start_;
    char* at_;
    char* end_;
};

// True when [text, text + length) lies inside `s`, so writing to `s` could move it.
bool Overlaps(const char* text, unsigned int length, const std::string& s)
{
    const char* begin = s.data();
    std::less<const char*> before;
    return length > 0 && !before(text, begin) && before(text, begin + s.size());
}

}  // namespace

int CLanguage::IsJSjisKanji(char byte)
{
    unsigned char b = static_cast<unsigned char>(byte);
    return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
}

int CLanguage::IsHankakuKana(char byte)
{
    unsigned char b = static_cast<unsigned char>(byte);
    return b >= 0xA1 && b <= 0xDF;
}

unsigned int CLanguage::CharLength(const char* text, unsigned int length)
{
    if (length == 0) return 0;
    if (length >= 2 && IsJSjisKanji(text[0]) && kSjisTrail[static_cast<unsigned char>(text[1])] != 0) return 2;
    return 1;
}

unsigned int CLanguage::CanonicalCode(const char* character, unsigned int length)
{
    if (length == 1) return static_cast<unsigned char>(character[0]);
    if (length != 2) return 0;
    return CanonicalSjis(static_cast<unsigned char>(character[0]), static_cast<unsigned char>(character[1]));
}

int CLanguage::FitsJis(const char* character, unsigned int length)
{
    if (length == 1) {
        unsigned char b = static_cast<unsigned char>(character[0]);
        return b < 0x80 || IsHankakuKana(character[0]);
    }
    if (length != 2) return 0;
    unsigned code = SjisToJis(static_cast<unsigned char>(character[0]), static_cast<unsigned char>(character[1]));
    return code != 0 && IsJisX0208(code);
}

int CLanguage::FitsJis(const CString& text)
{
    const char* p = text.GetString();
    unsigned int left = static_cast<unsigned int>(text.GetLength());
    while (left > 0) {
        // ASCII runs are the common case.
        if (static_cast<unsigned char>(*p) < 0x80) {
            ++p;
            --left;
            continue;
        }
        unsigned int n = CharLength(p, left);
        if (!FitsJis(p, n)) return 0;
        p += n;
        left -= n;
    }
    return 1;
}

int CLanguage::IsJapanese(const CString& text)
{
    for (char c : text.View()) {
        if (IsJSjisKanji(c) || IsHankakuKana(c)) return 1;
    }
    return 0;
}

void CLanguage::ConvKanji_SJIS_JIS(char lead, char trail, char& high, char& low)
{
    unsigned code = SjisToJis(static_cast<unsigned char>(lead), static_cast<unsigned char>(trail));
    high = static_cast<char>(code >> 8);
    low = static_cast<char>(code);
}

void CLanguage::ConvKanji_JIS_SJIS(char high, char low, char& lead, char& trail)
{
    unsigned code = JisToSjis(static_cast<unsigned char>(high), static_cast<unsigned char>(low));
    lead = static_cast<char>(code >> 8);
    trail = static_cast<char>(code);
}

void CLanguage::ConvHanKana_ZenKana_1char(char byte, char* const out)
{
    unsigned index = static_cast<unsigned char>(byte) - 0xA1u;
    if (index > 0xDF - 0xA1) {
        out[0] = 0;
        return;
    }
    out[0] = kanaTable[2 * index];
    out[1] = kanaTable[2 * index + 1];
    out[2] = 0;
}

unsigned int CLanguage::ConvHanKana_ZenKana(const char* text, char* const out)
{
    // Reads the byte after the kana for a voicing mark: `text` must have one (a terminating
    // zero will do).
    unsigned b = static_cast<unsigned char>(text[0]);
    unsigned next = static_cast<unsigned char>(text[1]);
    const char* folded = nullptr;
    if (next == 0xDE && b >= 0xB6 && b <= 0xC4) folded = dakutenKanaTable1 + 2 * (b - 0xB6);
    else if (next == 0xDE && b >= 0xCA && b <= 0xCE) folded = dakutenKanaTable2 + 2 * (b - 0xCA);
    else if (next == 0xDF && b >= 0xCA && b <= 0xCE) folded = handakutenKanaTable + 2 * (b - 0xCA);
    if (folded == nullptr) {
        ConvHanKana_ZenKana_1char(text[0], out);
        return 1;
    }
    out[0] = folded[0];
    out[1] = folded[1];
    out[2] = 0;
    return 2;
}

void CLanguage::SJIS_JIS(const char* text, unsigned int length, CString& out)
{
    if (text == nullptr) return;
    if (Overlaps(text, length, out.Str())) {
        std::string copy(text, length);
        SJIS_JIS(copy.data(), length, out);
        return;
    }
    enum class Mode { None, Ascii, Kanji } mode = Mode::None;
    const auto* p = reinterpret_cast<const unsigned char*>(text);
    const auto* const end = p + length;
    // Japanese text keeps its size, plus the escapes around ASCII words and line ends.
    Writer w(out.Str(), length + length / 4 + 16);

    while (p < end) {
        if (kByteClass[*p] == kSingle) {
            const auto* run = p;
            while (end - p >= 8) {
                std::uint64_t word;
                std::memcpy(&word, p, 8);
                if (word & 0x8080808080808080ull) break;
                p += 8;
            }
            while (p < end && kByteClass[*p] == kSingle) ++p;
            std::size_t n = static_cast<std::size_t>(p - run);
            w.Room(n + 3);
            if (mode == Mode::Kanji) w.Put("\x1B(B", 3);
            mode = Mode::Ascii;
            w.Put(run, n);
            continue;
        }
        if (mode != Mode::Kanji) {
            w.Room(3);
            w.Put("\x1B$B", 3);
            mode = Mode::Kanji;
        }
        // A run of two-byte characters and kana, in chunks so that the room test is made
        // once per chunk: no step writes more than two bytes per byte it reads.
        while (p < end) {
            std::size_t chunk = std::min<std::size_t>(static_cast<std::size_t>(end - p), 1u << 16);
            const auto* chunkEnd = p + chunk;
            w.Room(2 * chunk + 4);
            while (p < chunkEnd) {
                // Two-byte characters of JIS X 0208 and the NEC rows: straight arithmetic.
                while (chunkEnd - p >= 2) {
                    unsigned row = kSjisRowFast[p[0]];
                    unsigned cell = kSjisTrailFast[p[1]];
                    if (row == 0 || cell == 0) break;
                    w.PutWord(static_cast<std::uint16_t>(row + cell));
                    p += 2;
                }
                if (p == chunkEnd) break;
                unsigned b = *p;
                unsigned cls = kByteClass[b];
                if (cls == kLead) {
                    // A lead byte without a trail byte (at the end, or before CR) is not
                    // a character: it becomes "〓" and the byte after it stays.
                    if (p + 1 < end && kSjisTrail[p[1]] != 0) {
                        unsigned code = SjisToJis(b, p[1]);
                        w.Put2(code != 0 ? code : (kGetaJis[0] << 8 | kGetaJis[1]));
                        p += 2;
                    } else {
                        w.Put(kGetaJis, 2);
                        ++p;
                    }
                } else if (cls == kKana) {
                    char wide[3];
                    if (p + 1 < end) {
                        p += ConvHanKana_ZenKana(reinterpret_cast<const char*>(p), wide);
                    } else {
                        ConvHanKana_ZenKana_1char(static_cast<char>(b), wide);
                        ++p;
                    }
                    w.Put2(SjisToJis(static_cast<unsigned char>(wide[0]),
                                     static_cast<unsigned char>(wide[1])));
                } else {
                    break;
                }
            }
            if (p < end && kByteClass[*p] == kSingle) break;
        }
    }
    if (mode != Mode::Ascii) {
        w.Room(3);
        w.Put("\x1B(B", 3);
    }
    w.Finish();
}

void CLanguage::JIS_SJIS(const char* text, unsigned int length, CString& out)
{
    if (text == nullptr) return;

    // The sets an escape sequence can designate. `Other` is a two-byte set without any
    // Shift_JIS code (JIS X 0212): its characters become "〓".
    enum class Set { Ascii, Roman, Kana, Kanji, Other } set = Set::Ascii, unshifted = Set::Ascii;
    bool shifted = false;
    // 0: no escape; 1: after ESC; 2: after ESC "("; 3: after ESC "$"; 4: after ESC "$" "(".
    int escape = 0;
    int held = -1;  // first byte of a two-byte character waiting for its second

    if (Overlaps(text, length, out.Str())) {
        std::string copy(text, length);
        JIS_SJIS(copy.data(), length, out);
        return;
    }
    const auto* p = reinterpret_cast<const unsigned char*>(text);
    const auto* const end = p + length;
    std::string& result = out.Str();
    result.clear();
    // A lone first byte may become the two bytes of "〓": never more than 3 bytes per 2.
    Writer w(result, length + length / 2 + 4);
    auto flushHeld = [&] {
        if (held >= 0) w.Put(kGetaSjis, 2);
        held = -1;
    };

    while (p < end) {
        unsigned b = *p;
        if (escape != 0) {
            Set chosen = set;
            bool done = true;
            if (escape == 1 && b == '(') escape = 2, done = false;
            else if (escape == 1 && b == '$') escape = 3, done = false;
            else if (escape == 2 && b == 'B') chosen = Set::Ascii;
            else if (escape == 2 && (b == 'J' || b == 'H')) chosen = Set::Roman;
            else if (escape == 2 && b == 'I') chosen = Set::Kana;
            else if (escape == 3 && (b == '@' || b == 'B')) chosen = Set::Kanji;
            else if (escape == 3 && b == '(') escape = 4, done = false;
            else if (escape == 4 && b == 'D') chosen = Set::Other;
            else {
                // Not an escape we know: it ends here and the byte counts as text.
                escape = 0;
                continue;
            }
            ++p;
            if (done) {
                escape = 0;
                set = chosen;
                shifted = false;
            }
            continue;
        }
        if (b == kEsc || b == kShiftOut || b == kShiftIn) {
            flushHeld();
            if (b == kEsc) escape = 1;
            else if (b == kShiftOut && !shifted) unshifted = set, set = Set::Kana, shifted = true;
            else if (b == kShiftIn && shifted) set = unshifted, shifted = false;
            ++p;
            continue;
        }
        switch (set) {
        case Set::Ascii:
        case Set::Roman: {
            const auto* run = p;
            while (p < end && *p != kEsc && *p != kShiftOut && *p != kShiftIn) ++p;
            w.Put(run, static_cast<std::size_t>(p - run));
            break;
        }
        case Set::Kana:
            // Half-width katakana travel as their 7-bit bytes.
            w.Put(static_cast<unsigned char>(b >= 0x21 && b <= 0x5F ? b + 0x80 : b));
            ++p;
            break;
        case Set::Kanji:
        case Set::Other:
            if (held < 0 && set == Set::Kanji && end - p >= 2 && IsJisByte(p[0]) &&
                IsJisByte(p[1])) {
                do {
                    unsigned lead = kJisLeadFast[p[0]];
                    unsigned trail = kJisTrailFast[(p[0] & 1u) << 8 | p[1]];
                    if (lead == 0 || trail == 0) break;
                    w.Put(static_cast<unsigned char>(lead));
                    w.Put(static_cast<unsigned char>(trail));
                    p += 2;
                } while (end - p >= 2);
                break;
            }
            if (b <= 0x20) {
                // A line end or blank inside a two-byte run is kept rather than paired.
                flushHeld();
                w.Put(static_cast<unsigned char>(b));
            } else if (held < 0) {
                held = static_cast<int>(b);
            } else {
                unsigned code = set == Set::Kanji ? JisToSjis(static_cast<unsigned>(held), b) : 0;
                w.Put2(code != 0 ? code : (kGetaSjis[0] << 8 | kGetaSjis[1]));
                held = -1;
            }
            ++p;
            break;
        }
    }
    flushHeld();
    w.Finish();
    // The text ends at its first zero byte, as it did when it was a C string.
    std::size_t zero = result.find('\0');
    if (zero != std::string::npos) result.resize(zero);
}

void CLanguage::CutSJIS(const char* text, unsigned int length, unsigned int limit, CString& out)
{
    if (limit >= length) {
        out = CString(text, static_cast<int>(length));
        return;
    }
    unsigned int pos = 0;
    while (pos < limit) {
        if (IsJSjisKanji(text[pos])) {
            if (pos + 1 >= limit) break;
            pos += 2;
        } else {
            ++pos;
        }
    }
    out = CString(text, static_cast<int>(pos));
}

int CLanguage::HexDecode(const CString& text, unsigned char* buffer, unsigned int bufferSize,
                         unsigned int& decodedLength)
{
    return DecodeEscapedText(text, buffer, bufferSize, decodedLength, '%', false);
}
