#pragma once
// Knowledge of Japanese text: the code page 932 byte classes, Shift_JIS <-> ISO-2022-JP
// (RFC 1468) with half-width katakana folded to full width on the way out, cutting at a byte
// limit without splitting a character, and %XX hex decoding (RFC 2231 parameter values).
// Stateless; all members are static.

#include "encoding/CString.h"

class CLanguage {
public:
    static int IsJapanese(const CString& text);
    static int IsJSjisKanji(char byte);
    static int IsHankakuKana(char byte);

    // Bytes of the code page 932 character that `text` begins with: 2 for a lead byte with
    // a valid trail byte, else 1 (0 for empty text). A half-width kana and its voicing mark
    // are two characters.
    static unsigned int CharLength(const char* text, unsigned int length);
    // The character's lowest code page 932 code (an IBM extension becomes its NEC-selected
    // or JIS twin, a NEC row 13 character that JIS X 0208 has becomes the JIS one); 0 for
    // bytes that are no character.
    static unsigned int CanonicalCode(const char* character, unsigned int length);
    // Whether ISO-2022-JP (RFC 1468: ASCII and JIS X 0208 rows 1 to 84; half-width katakana
    // folded to full width) carries the one character of `length` bytes at `character`.
    static int FitsJis(const char* character, unsigned int length);
    // Whether every character of `text` fits.
    static int FitsJis(const CString& text);

    // Appends the ISO-2022-JP form of `text` to `out`. Half-width katakana are folded to full
    // width; IBM extension characters are written as their NEC-selected (or JIS) twins; a
    // character without a JIS code (user-defined area, a lead byte without its trail byte)
    // becomes "〓". A null `text` leaves `out` unchanged.
    static void SJIS_JIS(const char* text, unsigned int length, CString& out);
    // Replaces `out` with the Shift_JIS form of ISO-2022-JP (or older JIS) `text`: the
    // katakana set (ESC ( I, or SO ... SI) gives half-width katakana; a two-byte character
    // without a Shift_JIS code, or cut short, becomes "〓"; the result ends at a zero byte.
    // A null `text` leaves `out` unchanged.
    static void JIS_SJIS(const char* text, unsigned int length, CString& out);
    static void CutSJIS(const char* text, unsigned int length, unsigned int limit, CString& out);

    static int HexDecode(const CString& text, unsigned char* buffer, unsigned int bufferSize,
                         unsigned int& decodedLength);

protected:
    static void ConvKanji_SJIS_JIS(char lead, char trail, char& high, char& low);
    static void ConvKanji_JIS_SJIS(char high, char low, char& lead, char& trail);
    static unsigned int ConvHanKana_ZenKana(const char* text, char* const out);
    static void ConvHanKana_ZenKana_1char(char byte, char* const out);

    static const char* const kanaTable;
    static const char* const dakutenKanaTable1;
    static const char* const dakutenKanaTable2;
    static const char* const handakutenKanaTable;
};
