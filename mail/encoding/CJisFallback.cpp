#include "encoding/CJisFallback.h"

#include "encoding/CLanguage.h"

#include <algorithm>
#include <cstdint>
#include <iterator>

namespace {

struct Entry {
    std::uint16_t code;   // the lowest code page 932 code (CLanguage::CanonicalCode)
    std::uint8_t variant; // 1: a kanji variant, replaced only when asked
    const char* text;     // code page 932
};

// Made from Python's cp932 codec and Unicode's compatibility forms (NFKC), circled
// characters put in parentheses; sorted by code.
constexpr Entry kEntries[] = {
    {0x8740, 0, "\x28\x31\x29"},  // (1)
    {0x8741, 0, "\x28\x32\x29"},  // (2)
    {0x8742, 0, "\x28\x33\x29"},  // (3)
    {0x8743, 0, "\x28\x34\x29"},  // (4)
    {0x8744, 0, "\x28\x35\x29"},  // (5)
    {0x8745, 0, "\x28\x36\x29"},  // (6)
    {0x8746, 0, "\x28\x37\x29"},  // (7)
    {0x8747, 0, "\x28\x38\x29"},  // (8)
    {0x8748, 0, "\x28\x39\x29"},  // (9)
    {0x8749, 0, "\x28\x31\x30\x29"},  // (10)
    {0x874A, 0, "\x28\x31\x31\x29"},  // (11)
    {0x874B, 0, "\x28\x31\x32\x29"},  // (12)
    {0x874C, 0, "\x28\x31\x33\x29"},  // (13)
    {0x874D, 0, "\x28\x31\x34\x29"},  // (14)
    {0x874E, 0, "\x28\x31\x35\x29"},  // (15)
    {0x874F, 0, "\x28\x31\x36\x29"},  // (16)
    {0x8750, 0, "\x28\x31\x37\x29"},  // (17)
    {0x8751, 0, "\x28\x31\x38\x29"},  // (18)
    {0x8752, 0, "\x28\x31\x39\x29"},  // (19)
    {0x8753, 0, "\x28\x32\x30\x29"},  // (20)
    {0x8754, 0, "\x49"},  // I
    {0x8755, 0, "\x49\x49"},  // II
    {0x8756, 0, "\x49\x49\x49"},  // III
    {0x8757, 0, "\x49\x56"},  // IV
    {0x8758, 0, "\x56"},  // V
    {0x8759, 0, "\x56\x49"},  // VI
    {0x875A, 0, "\x56\x49\x49"},  // VII
    {0x875B, 0, "\x56\x49\x49\x49"},  // VIII
    {0x875C, 0, "\x49\x58"},  // IX
    {0x875D, 0, "\x58"},  // X
    {0x875F, 0, "\x83\x7E\x83\x8A"},  // ミリ
    {0x8760, 0, "\x83\x4C\x83\x8D"},  // キロ
    {0x8761, 0, "\x83\x5A\x83\x93\x83\x60"},  // センチ
    {0x8762, 0, "\x83\x81\x81\x5B\x83\x67\x83\x8B"},  // メートル
    {0x8763, 0, "\x83\x4F\x83\x89\x83\x80"},  // グラム
    {0x8764, 0, "\x83\x67\x83\x93"},  // トン
    {0x8765, 0, "\x83\x41\x81\x5B\x83\x8B"},  // アール
    {0x8766, 0, "\x83\x77\x83\x4E\x83\x5E\x81\x5B\x83\x8B"},  // ヘクタール
    {0x8767, 0, "\x83\x8A\x83\x62\x83\x67\x83\x8B"},  // リットル
    {0x8768, 0, "\x83\x8F\x83\x62\x83\x67"},  // ワット
    {0x8769, 0, "\x83\x4A\x83\x8D\x83\x8A\x81\x5B"},  // カロリー
    {0x876A, 0, "\x83\x68\x83\x8B"},  // ドル
    {0x876B, 0, "\x83\x5A\x83\x93\x83\x67"},  // セント
    {0x876C, 0, "\x83\x70\x81\x5B\x83\x5A\x83\x93\x83\x67"},  // パーセント
    {0x876D, 0, "\x83\x7E\x83\x8A\x83\x6F\x81\x5B\x83\x8B"},  // ミリバール
    {0x876E, 0, "\x83\x79\x81\x5B\x83\x57"},  // ページ
    {0x876F, 0, "\x6D\x6D"},  // mm
    {0x8770, 0, "\x63\x6D"},  // cm
    {0x8771, 0, "\x6B\x6D"},  // km
    {0x8772, 0, "\x6D\x67"},  // mg
    {0x8773, 0, "\x6B\x67"},  // kg
    {0x8774, 0, "\x63\x63"},  // cc
    {0x8775, 0, "\x6D\x32"},  // m2
    {0x877E, 0, "\x95\xBD\x90\xAC"},  // 平成
    {0x8780, 0, "\x81\x67"},  // “
    {0x8781, 0, "\x81\x68"},  // ”
    {0x8782, 0, "\x4E\x6F"},  // No
    {0x8783, 0, "\x4B\x2E\x4B\x2E"},  // K.K.
    {0x8784, 0, "\x54\x45\x4C"},  // TEL
    {0x8785, 0, "\x28\x8F\xE3\x29"},  // (上)
    {0x8786, 0, "\x28\x92\x86\x29"},  // (中)
    {0x8787, 0, "\x28\x89\xBA\x29"},  // (下)
    {0x8788, 0, "\x28\x8D\xB6\x29"},  // (左)
    {0x8789, 0, "\x28\x89\x45\x29"},  // (右)
    {0x878A, 0, "\x28\x8A\x94\x29"},  // (株)
    {0x878B, 0, "\x28\x97\x4C\x29"},  // (有)
    {0x878C, 0, "\x28\x91\xE3\x29"},  // (代)
    {0x878D, 0, "\x96\xBE\x8E\xA1"},  // 明治
    {0x878E, 0, "\x91\xE5\x90\xB3"},  // 大正
    {0x878F, 0, "\x8F\xBA\x98\x61"},  // 昭和
    {0xED80, 1, "\x92\xCB"},  // 塚
    {0xED95, 1, "\x8D\xE8"},  // 崎
    {0xED9E, 1, "\x93\xBF"},  // 徳
    {0xEDB4, 1, "\x8D\x56"},  // 昂
    {0xEDBC, 1, "\x90\xB0"},  // 晴
    {0xEDC4, 1, "\x98\x4E"},  // 朗
    {0xEDEE, 1, "\x95\x6C"},  // 浜
    {0xEDF1, 1, "\x90\xA3"},  // 瀬
    {0xEE42, 1, "\x92\x96"},  // 猪
    {0xEE59, 1, "\x89\x76"},  // 益
    {0xEE61, 1, "\x97\xE7"},  // 礼
    {0xEE62, 1, "\x90\x5F"},  // 神
    {0xEE63, 1, "\x8F\xCB"},  // 祥
    {0xEE65, 1, "\x95\x9F"},  // 福
    {0xEE69, 1, "\x96\xF5"},  // 靖
    {0xEE6C, 1, "\x90\xB8"},  // 精
    {0xEE75, 1, "\x89\x48"},  // 羽
    {0xEE8D, 1, "\x8F\x94"},  // 諸
    {0xEE98, 1, "\x88\xED"},  // 逸
    {0xEE9B, 1, "\x93\x73"},  // 都
    {0xEECD, 1, "\x97\xB2"},  // 隆
    {0xEEDA, 1, "\x94\xD1"},  // 飯
    {0xEEDB, 1, "\x8E\x94"},  // 飼
    {0xEEDD, 1, "\x8A\xD9"},  // 館
    {0xEEE0, 1, "\x8D\x82"},  // 高
    {0xEEEA, 1, "\x92\xDF"},  // 鶴
    {0xEEEF, 0, "\x69"},  // i
    {0xEEF0, 0, "\x69\x69"},  // ii
    {0xEEF1, 0, "\x69\x69\x69"},  // iii
    {0xEEF2, 0, "\x69\x76"},  // iv
    {0xEEF3, 0, "\x76"},  // v
    {0xEEF4, 0, "\x76\x69"},  // vi
    {0xEEF5, 0, "\x76\x69\x69"},  // vii
    {0xEEF6, 0, "\x76\x69\x69\x69"},  // viii
    {0xEEF7, 0, "\x69\x78"},  // ix
    {0xEEF8, 0, "\x78"},  // x
    {0xEEFB, 0, "\x27"},  // '
    {0xEEFC, 0, "\x22"},  // "
};

}  // namespace

const char* CJisFallback::Find(const char* character, unsigned int length, Kind& kind)
{
    kind = None;
    unsigned int code = CLanguage::CanonicalCode(character, length);
    if (code < 0x100) return nullptr;
    const Entry* end = std::end(kEntries);
    const Entry* found = std::lower_bound(std::begin(kEntries), end, code,
                                          [](const Entry& e, unsigned int c) { return e.code < c; });
    if (found == end || found->code != code) return nullptr;
    kind = found->variant ? Variant : Symbol;
    return found->text;
}

CString CJisFallback::Replace(const CString& text, Mode mode)
{
    if (mode == ReplaceNone) return text;
    CString out;
    out.Reserve(text.GetLength());
    const char* p = text.GetString();
    unsigned int left = static_cast<unsigned int>(text.GetLength());
    while (left > 0) {
        unsigned int n = CLanguage::CharLength(p, left);
        Kind kind = None;
        const char* standIn = n == 2 ? Find(p, n, kind) : nullptr;
        if (standIn && (kind == Symbol || mode == ReplaceSymbolsAndVariants)) {
            out += standIn;
        } else {
            out.Append(p, static_cast<int>(n));
        }
        p += n;
        left -= n;
    }
    return out;
}
