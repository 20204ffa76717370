// Verifies, for every code page 932 code, what the outgoing check says against an independent
// table made by Python's codecs (cp932_oracle.py): whether ISO-2022-JP carries the character,
// that every character that fits converts to JIS X 0208 and back, and that every stand-in
// fits and agrees with Unicode's compatibility form where that exists.
#include "encoding/CJisFallback.h"
#include "encoding/CLanguage.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>
#include <string>

namespace {

std::string FromHex(const std::string& hex)
{
    std::string bytes;
    for (std::size_t i = 0; i + 1 < hex.size(); i += 2) bytes += static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16));
    return bytes;
}

std::string ToHex(const std::string& bytes)
{
    std::string hex;
    char buffer[3];
    for (unsigned char c : bytes) {
        std::snprintf(buffer, sizeof buffer, "%02x", c);
        hex += buffer;
    }
    return hex;
}

}  // namespace

TEST(JisRepertoire, EveryCodePage932CodeAgainstPythonsCodecs)
{
    if (std::system("/usr/bin/python3 -c 'import encodings.cp932, encodings.shift_jis' >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "/usr/bin/python3 with its cp932 and shift_jis codecs is needed as the oracle";
    const char* home = std::getenv("XDG_DATA_HOME");
    const std::string table = std::string(home ? home : "/tmp") + "/cp932-oracle.txt";
    const std::string command = std::string("mkdir -p \"$(dirname '") + table + "')\" && /usr/bin/python3 " CP932_ORACLE " '" + table + "'";
    ASSERT_EQ(std::system(command.c_str()), 0);

    std::ifstream in(table);
    std::string line;
    int characters = 0, fitting = 0, standIns = 0;
    // Stand-ins chosen beyond (or instead of) the compatibility form: parentheses around
    // circled characters, dots in ㏍, and the kanji variants, which have none.
    std::map<std::string, int> chosen;
    while (std::getline(in, line)) {
        std::istringstream fields(line);
        std::string hex, status, compat;
        fields >> hex >> status >> compat;
        const std::string code = FromHex(hex);
        SCOPED_TRACE(hex);
        const unsigned int length = static_cast<unsigned int>(code.size());
        if (length == 2) {
            ASSERT_EQ(CLanguage::CharLength(code.data(), length), 2u);
        }
        if (status == "X") {
            EXPECT_FALSE(CLanguage::FitsJis(code.data(), length));
            continue;
        }
        ++characters;
        const bool fits = status == "F";
        ASSERT_EQ(CLanguage::FitsJis(code.data(), length) != 0, fits);
        CJisFallback::Kind kind = CJisFallback::None;
        const char* standIn = CJisFallback::Find(code.data(), length, kind);
        if (fits) {
            ++fitting;
            EXPECT_EQ(standIn, nullptr);
            // What fits goes out as JIS X 0208 (or ASCII, or folded kana) and comes back as
            // the same character, at its lowest code.
            CString jis, back;
            CLanguage::SJIS_JIS(code.data(), length, jis);
            CLanguage::JIS_SJIS(jis.GetString(), static_cast<unsigned int>(jis.GetLength()), back);
            if (length == 2) {
                EXPECT_EQ(back.GetLength(), 2);
                EXPECT_EQ(CLanguage::CanonicalCode(back.GetString(), 2), CLanguage::CanonicalCode(code.data(), 2));
            }
            continue;
        }
        if (!standIn) {
            EXPECT_TRUE(compat == "-" || length == 1) << "no stand-in though Unicode has " << compat;
            continue;
        }
        ++standIns;
        EXPECT_TRUE(CLanguage::FitsJis(CString(standIn))) << ToHex(standIn);
        if (compat != "-" && ToHex(standIn) != compat) ++chosen[ToHex(standIn)];
    }
    EXPECT_GT(characters, 7000);
    // JIS X 0208 has 6879 characters; ASCII 128 and half-width kana 63 fit as single bytes;
    // the IBM and NEC codes of the same JIS characters fit too.
    EXPECT_GE(fitting, 6879 + 128 + 63);
    EXPECT_GE(standIns, 100);
    // Circled digits (20), circled ideographs (5) and ㏍ differ from Unicode's form on purpose.
    int differing = 0;
    for (const auto& [text, count] : chosen) differing += count;
    EXPECT_LE(differing, 2 * (20 + 5 + 1));
}
