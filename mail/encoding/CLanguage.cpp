#include "encoding/CLanguage.h"

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

int CLanguage::IsJapanese(const CString& text)
{
    for (char c : text.View()) {
        if (IsJSjisKanji(c) || IsHankakuKana(c)) return 1;
    }
    return 0;
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
