// Verifies the Shift_JIS <-> ISO-2022-JP converters byte for byte, against the C library's
// iconv as an independent converter, with escapes and characters cut at every position.
#include "encoding/CLanguage.h"

#include <gtest/gtest.h>

#include <map>

#include <iconv.h>

#include <cstdint>
#include <random>
#include <string>
#include <utility>
#include <vector>

namespace {

struct Probe : CLanguage {
    using CLanguage::ConvHanKana_ZenKana;
    using CLanguage::ConvKanji_JIS_SJIS;
    using CLanguage::ConvKanji_SJIS_JIS;
};

std::string ToJis(const std::string& sjis)
{
    CString out;
    CLanguage::SJIS_JIS(sjis.data(), static_cast<unsigned>(sjis.size()), out);
    return out.Str();
}

std::string ToSjis(const std::string& jis)
{
    CString out;
    CLanguage::JIS_SJIS(jis.data(), static_cast<unsigned>(jis.size()), out);
    return out.Str();
}

std::string Bytes(std::initializer_list<int> bytes)
{
    std::string s;
    for (int b : bytes) s += static_cast<char>(b);
    return s;
}

std::string Hex(const std::string& s)
{
    static const char digits[] = "0123456789ABCDEF";
    std::string h;
    for (unsigned char c : s) {
        h += digits[c >> 4];
        h += digits[c & 15];
        h += ' ';
    }
    return h;
}

// The C library's converter; returns false when it refuses the input.
bool Iconv(const char* from, const char* to, const std::string& in, std::string& out)
{
    iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1)) return false;
    out.assign(in.size() * 4 + 16, '\0');
    char* src = const_cast<char*>(in.data());
    std::size_t srcLeft = in.size();
    char* dst = out.data();
    std::size_t dstLeft = out.size();
    bool ok = iconv(cd, &src, &srcLeft, &dst, &dstLeft) != static_cast<std::size_t>(-1) &&
              iconv(cd, nullptr, nullptr, &dst, &dstLeft) != static_cast<std::size_t>(-1);
    out.resize(out.size() - dstLeft);
    iconv_close(cd);
    return ok;
}

const std::string kToKanji = "\x1B$B";
const std::string kToAscii = "\x1B(B";

}  // namespace

TEST(CLanguage, ByteClassesAndIsJapanese)
{
    EXPECT_EQ(CLanguage::IsJapanese(CString("plain ASCII ~\x7F")), 0);
    EXPECT_NE(CLanguage::IsJapanese(CString("abc\xB1")), 0);  // ｱ
    EXPECT_NE(CLanguage::IsJapanese(CString("\x82\xA0")), 0);  // あ
    for (int b = 0; b < 256; ++b) {
        bool lead = (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
        EXPECT_EQ(CLanguage::IsJSjisKanji(static_cast<char>(b)) != 0, lead) << b;
        EXPECT_EQ(CLanguage::IsHankakuKana(static_cast<char>(b)) != 0, b >= 0xA1 && b <= 0xDF) << b;
    }
}

TEST(CLanguage, SjisToJisEscapesAndModes)
{
    const std::pair<std::string, std::string> cases[] = {
        // "a" あ "b": escape in, back to ASCII before "b"
        {Bytes({'a', 0x82, 0xA0, 'b'}), "a" + kToKanji + Bytes({0x24, 0x22}) + kToAscii + "b"},
        // あ alone: leading escape, trailing return to ASCII
        {Bytes({0x82, 0xA0}), kToKanji + Bytes({0x24, 0x22}) + kToAscii},
        // an empty text is a lone return to ASCII
        {"", kToAscii},
        {"abc\r\n", "abc\r\n"},
        // every line break is preceded by the return to ASCII
        {Bytes({0x88, 0x9F, '\r', '\n', 0x88, 0xA0}),
         kToKanji + Bytes({0x30, 0x21}) + kToAscii + "\r\n" + kToKanji + Bytes({0x30, 0x22}) + kToAscii},
        // ｶﾞ is ガ, ﾊﾟ is パ, ｳﾞ is ウ and ゛ separately
        {Bytes({0xB6, 0xDE}), kToKanji + Bytes({0x25, 0x2C}) + kToAscii},
        {Bytes({0xCA, 0xDF}), kToKanji + Bytes({0x25, 0x51}) + kToAscii},
        {Bytes({0xB3, 0xDE}), kToKanji + Bytes({0x25, 0x26, 0x21, 0x2B}) + kToAscii},
        // a voicing mark after a kana that cannot take it, and at the very start
        {Bytes({0xB1, 0xDF}), kToKanji + Bytes({0x25, 0x22, 0x21, 0x2C}) + kToAscii},
        {Bytes({0xDE, 'x'}), kToKanji + Bytes({0x21, 0x2B}) + kToAscii + "x"},
        // half-width kana at the very end, with no byte after it
        {Bytes({'x', 0xB6}), "x" + kToKanji + Bytes({0x25, 0x2B}) + kToAscii},
        // NEC row 13 (①) converts to JIS row 13 by the same arithmetic
        {Bytes({0x87, 0x40}), kToKanji + Bytes({0x2D, 0x21}) + kToAscii},
        // NEC-selected IBM extension (0xED40) converts to its row
        {Bytes({0xED, 0x40}), kToKanji + Bytes({0x79, 0x21}) + kToAscii},
    };
    for (const auto& [in, expected] : cases) EXPECT_EQ(Hex(ToJis(in)), Hex(expected)) << Hex(in);

    // Appends: the callers' text before stays.
    CString out("head:");
    CLanguage::SJIS_JIS("\x82\xA0", 2, out);
    EXPECT_EQ(Hex(out.Str()), Hex("head:" + kToKanji + Bytes({0x24, 0x22}) + kToAscii));
}

TEST(CLanguage, SjisToJisNeverDropsACharacter)
{
    const std::string geta = Bytes({0x22, 0x2E});
    const std::pair<std::string, std::string> cases[] = {
        // user-defined area: no JIS code, written as 〓
        {Bytes({0xF0, 0x40}), kToKanji + geta + kToAscii},
        {Bytes({0xF9, 0xFC, 0x82, 0xA0}), kToKanji + geta + Bytes({0x24, 0x22}) + kToAscii},
        // past the IBM extensions
        {Bytes({0xFC, 0x4C}), kToKanji + geta + kToAscii},
        // a lead byte cut off at the end, or followed by CR LF: 〓, and the line end stays
        {Bytes({'a', 0x82}), "a" + kToKanji + geta + kToAscii},
        {Bytes({0x82, '\r', '\n'}), kToKanji + geta + kToAscii + "\r\n"},
        // IBM extensions are folded to their twins: ⅰ (0xFA40) as 0xEEEF, Ⅰ (0xFA4A) as
        // 0x8754, ¬ (0xFA54) as 0x81CA, ∵ (0xFA5B) as 0x81E6, 纊 (0xFA5C) as 0xED40,
        // 黑 (0xFC4B) as 0xEEEC
        {Bytes({0xFA, 0x40}), kToKanji + Bytes({0x7C, 0x71}) + kToAscii},
        {Bytes({0xFA, 0x4A}), kToKanji + Bytes({0x2D, 0x35}) + kToAscii},
        {Bytes({0xFA, 0x54}), kToKanji + Bytes({0x22, 0x4C}) + kToAscii},
        {Bytes({0xFA, 0x5B}), kToKanji + Bytes({0x22, 0x68}) + kToAscii},
        {Bytes({0xFA, 0x5C}), kToKanji + Bytes({0x79, 0x21}) + kToAscii},
        {Bytes({0xFC, 0x4B}), kToKanji + Bytes({0x7C, 0x6E}) + kToAscii},
    };
    for (const auto& [in, expected] : cases) EXPECT_EQ(Hex(ToJis(in)), Hex(expected)) << Hex(in);
}

TEST(CLanguage, IbmExtensionsFoldToTheSameCharacter)
{
    // Every IBM extension character converts to a JIS code whose Shift_JIS form is the same
    // character for the C library (its twin), never to 〓 and never to another character.
    int checked = 0;
    for (int lead = 0xFA; lead <= 0xFC; ++lead) {
        for (int trail = 0x40; trail <= 0xFC; ++trail) {
            if (trail == 0x7F || (lead == 0xFC && trail > 0x4B)) continue;
            std::string ibm = Bytes({lead, trail});
            char high, low, back1, back2;
            Probe::ConvKanji_SJIS_JIS(ibm[0], ibm[1], high, low);
            ASSERT_NE(high, 0) << Hex(ibm);
            Probe::ConvKanji_JIS_SJIS(high, low, back1, back2);
            std::string twin = Bytes({static_cast<unsigned char>(back1), static_cast<unsigned char>(back2)});
            std::string a, b;
            ASSERT_TRUE(Iconv("CP932", "UTF-8", ibm, a)) << Hex(ibm);
            ASSERT_TRUE(Iconv("CP932", "UTF-8", twin, b)) << Hex(twin);
            EXPECT_EQ(a, b) << Hex(ibm) << "-> " << Hex(twin);
            ++checked;
        }
    }
    EXPECT_EQ(checked, 388);
}

TEST(CLanguage, HalfWidthKanaFoldToTheFullWidthJisCodes)
{
    // JIS codes of the full-width forms of 0xA1-0xDF, taken from the JIS table.
    const unsigned single[63] = {
        0x2123, 0x2156, 0x2157, 0x2122, 0x2126, 0x2572, 0x2521, 0x2523, 0x2525, 0x2527, 0x2529,
        0x2563, 0x2565, 0x2567, 0x2543, 0x213C, 0x2522, 0x2524, 0x2526, 0x2528, 0x252A, 0x252B,
        0x252D, 0x252F, 0x2531, 0x2533, 0x2535, 0x2537, 0x2539, 0x253B, 0x253D, 0x253F, 0x2541,
        0x2544, 0x2546, 0x2548, 0x254A, 0x254B, 0x254C, 0x254D, 0x254E, 0x254F, 0x2552, 0x2555,
        0x2558, 0x255B, 0x255E, 0x255F, 0x2560, 0x2561, 0x2562, 0x2564, 0x2566, 0x2568, 0x2569,
        0x256A, 0x256B, 0x256C, 0x256D, 0x256F, 0x2573, 0x212B, 0x212C};
    for (int b = 0xA1; b <= 0xDF; ++b) {
        unsigned code = single[b - 0xA1];
        EXPECT_EQ(Hex(ToJis(Bytes({b}))), Hex(kToKanji + Bytes({int(code >> 8), int(code & 0xFF)}) + kToAscii)) << b;
    }
    const std::pair<int, unsigned> voiced[] = {
        {0xB6, 0x252C}, {0xB7, 0x252E}, {0xB8, 0x2530}, {0xB9, 0x2532}, {0xBA, 0x2534},
        {0xBB, 0x2536}, {0xBC, 0x2538}, {0xBD, 0x253A}, {0xBE, 0x253C}, {0xBF, 0x253E},
        {0xC0, 0x2540}, {0xC1, 0x2542}, {0xC2, 0x2545}, {0xC3, 0x2547}, {0xC4, 0x2549},
        {0xCA, 0x2550}, {0xCB, 0x2553}, {0xCC, 0x2556}, {0xCD, 0x2559}, {0xCE, 0x255C}};
    const std::pair<int, unsigned> semiVoiced[] = {
        {0xCA, 0x2551}, {0xCB, 0x2554}, {0xCC, 0x2557}, {0xCD, 0x255A}, {0xCE, 0x255D}};
    for (auto [b, code] : voiced) {
        EXPECT_EQ(Hex(ToJis(Bytes({b, 0xDE}))), Hex(kToKanji + Bytes({int(code >> 8), int(code & 0xFF)}) + kToAscii)) << b;
        char wide[3];
        std::string in = Bytes({b, 0xDE});
        EXPECT_EQ(Probe::ConvHanKana_ZenKana(in.c_str(), wide), 2u);
    }
    for (auto [b, code] : semiVoiced) {
        EXPECT_EQ(Hex(ToJis(Bytes({b, 0xDF}))), Hex(kToKanji + Bytes({int(code >> 8), int(code & 0xFF)}) + kToAscii)) << b;
    }
    char wide[3];
    EXPECT_EQ(Probe::ConvHanKana_ZenKana("\xB3\xDE", wide), 1u);  // ｳ then ﾞ on its own
    EXPECT_EQ(Hex(std::string(wide, 3)), Hex(Bytes({0x83, 0x45, 0})));
}

TEST(CLanguage, JisToSjisSetsAndEscapes)
{
    const std::string geta = Bytes({0x81, 0xAC});
    const std::pair<std::string, std::string> cases[] = {
        // bytes before the first escape are copied as they are
        {"plain\r\n", "plain\r\n"},
        {Bytes({0x82, 0xA0}), Bytes({0x82, 0xA0})},
        {kToKanji + Bytes({0x24, 0x22}) + kToAscii + "b", Bytes({0x82, 0xA0, 'b'})},
        // the older JIS C 6226 and the JIS-Roman escapes
        {"\x1B$@" + Bytes({0x30, 0x21}) + "\x1B(Jx", Bytes({0x88, 0x9F, 'x'})},
        {"\x1B$B" + Bytes({0x30, 0x21}) + "\x1B(Hx", Bytes({0x88, 0x9F, 'x'})},
        // the half-width katakana set gives half-width katakana bytes
        {"\x1B(I" + Bytes({0x31, 0x5F, 0x21}) + kToAscii + "1", Bytes({0xB1, 0xDF, 0xA1, '1'})},
        // SO / SI shift into the katakana set and back to the set before
        {"a" + Bytes({0x0E, 0x31, 0x0F}) + "1", Bytes({'a', 0xB1, '1'})},
        {kToKanji + Bytes({0x0E, 0x36, 0x0F, 0x24, 0x22}) + kToAscii, Bytes({0xB6, 0x82, 0xA0})},
        // a pair with no Shift_JIS code is 〓 and what follows converts
        {kToKanji + Bytes({0x24, 0x7F, 0x24, 0x22}) + kToAscii, geta + Bytes({0x82, 0xA0})},
        // JIS X 0212 has no Shift_JIS codes
        {"\x1B$(D" + Bytes({0x30, 0x21}) + kToAscii + "x", geta + "x"},
        // a line end inside a two-byte run is kept, the lone byte before it is 〓
        {kToKanji + Bytes({0x24, 0x22, 0x24, '\r', '\n', 0x24, 0x22}), Bytes({0x82, 0xA0}) + geta + "\r\n" + Bytes({0x82, 0xA0})},
        // an unknown escape ends at the byte that does not fit and that byte is text
        {"\x1B(Zx", "Zx"},
        {"\x1B$Zx", "Zx"},
        // the text ends at its first zero byte
        {std::string("ab\0cd", 5), "ab"},
    };
    for (const auto& [in, expected] : cases) EXPECT_EQ(Hex(ToSjis(in)), Hex(expected)) << Hex(in);

    // Converting a text in place works both ways.
    CString same(kToKanji + Bytes({0x24, 0x22}) + kToAscii);
    CLanguage::JIS_SJIS(same.GetString(), static_cast<unsigned>(same.GetLength()), same);
    EXPECT_EQ(Hex(same.Str()), Hex(Bytes({0x82, 0xA0})));
    CLanguage::SJIS_JIS(same.GetString(), static_cast<unsigned>(same.GetLength()), same);
    EXPECT_EQ(Hex(same.Str()), Hex(Bytes({0x82, 0xA0}) + kToKanji + Bytes({0x24, 0x22}) + kToAscii));

    // JIS_SJIS replaces `out`; a null text leaves it alone.
    CString out("old");
    CLanguage::JIS_SJIS("new", 3, out);
    EXPECT_EQ(out, "new");
    CLanguage::JIS_SJIS(nullptr, 3, out);
    EXPECT_EQ(out, "new");
}

TEST(CLanguage, JisToSjisCutAtEveryPosition)
{
    // The text as segments with what each gives; a cut inside an escape gives nothing for it,
    // a cut inside a two-byte character gives 〓 for the lone byte.
    struct Segment { std::string in; std::string out; bool pair; };
    const std::string geta = Bytes({0x81, 0xAC});
    const std::vector<Segment> segments = {
        {"ab", "ab", false},
        {"\x1B$B", "", false},
        {Bytes({0x24, 0x22}), Bytes({0x82, 0xA0}), true},
        {Bytes({0x30, 0x21}), Bytes({0x88, 0x9F}), true},
        {"\x1B(B", "", false},
        {"\r\n", "\r\n", false},
        {"\x1B(I", "", false},
        {Bytes({0x36}), Bytes({0xB6}), false},
        {"\x1B$@", "", false},
        {Bytes({0x7E, 0x7E}), Bytes({0xEF, 0xFC}), true},
        {"\x1B(J", "", false},
        {"z", "z", false},
    };
    std::string text, full;
    for (const Segment& s : segments) {
        text += s.in;
        full += s.out;
    }
    ASSERT_EQ(Hex(ToSjis(text)), Hex(full));
    for (std::size_t cut = 0; cut <= text.size(); ++cut) {
        std::string expected;
        std::size_t at = 0;
        for (const Segment& s : segments) {
            if (at + s.in.size() <= cut) {
                expected += s.out;
            } else if (at < cut) {
                if (s.pair) expected += geta;
                else if (s.out == s.in) expected += s.in.substr(0, cut - at);
            }
            at += s.in.size();
        }
        EXPECT_EQ(Hex(ToSjis(text.substr(0, cut))), Hex(expected)) << "cut at " << cut;
    }
}

TEST(CLanguage, SjisToJisCutAtEveryPosition)
{
    // あ ｶﾞ "x" 亜: a cut inside あ or 亜 leaves a lone lead byte (〓); a cut between ｶ and ﾞ
    // folds ｶ alone.
    const std::string text = Bytes({0x82, 0xA0, 0xB6, 0xDE, 'x', 0x88, 0x9F});
    const std::string expected[] = {
        kToAscii,
        kToKanji + Bytes({0x22, 0x2E}) + kToAscii,
        kToKanji + Bytes({0x24, 0x22}) + kToAscii,
        kToKanji + Bytes({0x24, 0x22, 0x25, 0x2B}) + kToAscii,
        kToKanji + Bytes({0x24, 0x22, 0x25, 0x2C}) + kToAscii,
        kToKanji + Bytes({0x24, 0x22, 0x25, 0x2C}) + kToAscii + "x",
        kToKanji + Bytes({0x24, 0x22, 0x25, 0x2C}) + kToAscii + "x" + kToKanji + Bytes({0x22, 0x2E}) + kToAscii,
        kToKanji + Bytes({0x24, 0x22, 0x25, 0x2C}) + kToAscii + "x" + kToKanji + Bytes({0x30, 0x21}) + kToAscii,
    };
    for (std::size_t cut = 0; cut <= text.size(); ++cut)
        EXPECT_EQ(Hex(ToJis(text.substr(0, cut))), Hex(expected[cut])) << "cut at " << cut;
}

TEST(CLanguage, AgreesWithIconvOnJisX0208Text)
{
    // The characters the C library converts both ways between CP932 and ISO-2022-JP, with
    // their Shift_JIS bytes as the C library gives them.
    std::vector<std::string> chars;
    for (int high = 0x21; high <= 0x7E; ++high) {
        for (int low = 0x21; low <= 0x7E; ++low) {
            std::string sjis, jis;
            if (!Iconv("ISO-2022-JP", "CP932", kToKanji + Bytes({high, low}) + kToAscii, sjis)) continue;
            if (!Iconv("CP932", "ISO-2022-JP", sjis, jis)) continue;
            if (jis != kToKanji + Bytes({high, low}) + kToAscii) continue;
            chars.push_back(sjis);
        }
    }
    // JIS X 0208 has 6879 characters; the C library's CP932 table sends the six of the
    // wave dash family to Windows code points its ISO-2022-JP table does not take.
    ASSERT_GE(chars.size(), 6870u);

    std::mt19937 random(20261208);
    for (int round = 0; round < 40; ++round) {
        std::string text;
        int length = 1 + static_cast<int>(random() % 3000);
        for (int i = 0; i < length; ++i) {
            switch (random() % 6) {
            case 0: text += static_cast<char>(0x20 + random() % 0x5F); break;
            case 1: text += "\r\n"; break;
            default: text += chars[random() % chars.size()]; break;
            }
        }
        std::string oracle;
        ASSERT_TRUE(Iconv("CP932", "ISO-2022-JP", text, oracle));
        std::string ours = ToJis(text);
        ASSERT_EQ(ours, oracle) << "round " << round;
        ASSERT_EQ(ToSjis(ours), text) << "round " << round;
    }

    // The wave dash family converts to its JIS X 0208 codes all the same.
    const std::pair<std::string, std::string> waveDash[] = {
        {Bytes({0x81, 0x60}), Bytes({0x21, 0x41})}, {Bytes({0x81, 0x61}), Bytes({0x21, 0x42})},
        {Bytes({0x81, 0x7C}), Bytes({0x21, 0x5D})}, {Bytes({0x81, 0x91}), Bytes({0x21, 0x71})},
        {Bytes({0x81, 0x92}), Bytes({0x21, 0x72})}, {Bytes({0x81, 0xCA}), Bytes({0x22, 0x4C})}};
    for (const auto& [sjis, jis] : waveDash) {
        EXPECT_EQ(Hex(ToJis(sjis)), Hex(kToKanji + jis + kToAscii));
        EXPECT_EQ(Hex(ToSjis(kToKanji + jis + kToAscii)), Hex(sjis));
    }
}

TEST(CLanguage, EveryJisCodeRoundTrips)
{
    // All 94 x 94 JIS codes have a Shift_JIS code and come back unchanged, except the nine
    // NEC row 13 characters and the NEC-selected "¬" that JIS X 0208 has in row 2: they go
    // out at their JIS code.
    const std::map<int, int> necTwins = {{0x2D70, 0x2262}, {0x2D71, 0x2261}, {0x2D72, 0x2269},
                                         {0x2D75, 0x2265}, {0x2D76, 0x225D}, {0x2D77, 0x225C},
                                         {0x2D7A, 0x2268}, {0x2D7B, 0x2241}, {0x2D7C, 0x2240},
                                         {0x7C7B, 0x224C}};
    for (int high = 0x21; high <= 0x7E; ++high) {
        for (int low = 0x21; low <= 0x7E; ++low) {
            std::string jis = kToKanji + Bytes({high, low}) + kToAscii;
            std::string sjis = ToSjis(jis);
            ASSERT_EQ(sjis.size(), 2u);
            if (high <= 0x74) {
                ASSERT_TRUE(CLanguage::IsJSjisKanji(sjis[0]));
            }
            auto twin = necTwins.find(high << 8 | low);
            std::string back = twin == necTwins.end()
                ? jis : kToKanji + Bytes({twin->second >> 8, twin->second & 0xFF}) + kToAscii;
            ASSERT_EQ(Hex(ToJis(sjis)), Hex(back));
        }
    }
}

TEST(CLanguage, CutSjisNeverSplitsACharacter)
{
    const std::string text = Bytes({0x82, 0xA0, 0x82, 0xA2, 0x82, 0xA4});  // あいう
    const std::pair<unsigned, std::string> cases[] = {
        {5, text.substr(0, 4)}, {1, ""}, {0, ""}, {6, text}, {100, text}, {4, text.substr(0, 4)},
    };
    for (const auto& [limit, expected] : cases) {
        CString out;
        CLanguage::CutSJIS(text.data(), 6, limit, out);
        EXPECT_EQ(Hex(out.Str()), Hex(expected)) << limit;
    }
    CString out;
    CLanguage::CutSJIS("a\x82\xA0", 3, 2, out);
    EXPECT_EQ(out, "a");
}
