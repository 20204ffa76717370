#pragma once
// The stand-ins a Japanese user expects for characters that ISO-2022-JP cannot carry: the
// NEC and IBM extensions of code page 932 such as ① -> (1), Ⅱ -> II, ㈱ -> (株), ㍉ -> ミリ,
// and, only when asked, a kanji variant by its common form (髙 -> 高, 﨑 -> 崎).
// Every stand-in fits ISO-2022-JP. Stateless; all members are static.

#include "encoding/CString.h"

class CJisFallback {
public:
    enum Kind { None = 0, Symbol = 1, Variant = 2 };
    enum Mode { ReplaceNone = 0, ReplaceSymbols = 1, ReplaceSymbolsAndVariants = 2 };

    // The stand-in of the one character of `length` bytes at `character` (code page 932),
    // or null; `kind` says whether it is a symbol's or a kanji variant's.
    static const char* Find(const char* character, unsigned int length, Kind& kind);
    // `text` with every character that has a stand-in of a kind `mode` allows replaced.
    static CString Replace(const CString& text, Mode mode);
};
