#pragma once
// Static helpers on paths, files and sizes. Paths are code page 932 byte strings with "/"
// between their parts; every call into the file system goes through NativePath, which turns
// them into the UTF-8 names the file system holds.

#include "encoding/CString.h"

#include <string>

class CFileUtility {
public:
    static CString GetFileNameFromPath(const char* path);
    static CString GetFileExt(const char* path);
    static CString GetParentPath(const char* path);
    // Non-zero when a search for the path (shell wildcards * and ? allowed in the last part)
    // finds at least one entry.
    static int Exists(const char* path);
    static int DeleteFileA(const char* path);
    // Size in bytes; -1 when the file cannot be queried.
    static long GetFileSize(const char* path);
    static CString GetFileSizeString(const char* path, int autoUnit);
    static CString SizeAutoUnit(long size);
    static int IsCommentLine(CString& line);
    // A readable description of the file's type; empty when none is known.
    static CString GetMimeType(const char* path);
    // Replaces the characters a file name cannot hold by "_".
    static void ReplaceProhibitedWords(CString& text);

    // The file-system (UTF-8) form of a code page 932 path, and back.
    static std::string NativePath(const char* path);
    static CString FromNativePath(const std::string& path);
};
