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
    // 1 when `path` is a regular file (after links) that can be opened for reading now, so
    // that it can be attached and sent; 0 for a folder, a device, a pipe, a missing file or
    // one the user may not read.
    static int CanReadFile(const char* path);
    // 1 when `path` names a folder (after links).
    static int IsFolder(const char* path);
    static CString GetFileSizeString(const char* path, int autoUnit);
    static CString SizeAutoUnit(long size);
    static int IsCommentLine(CString& line);
    // A readable description of the file's type: a known description, else the MIME type
    // of GetContentType, else "<EXT> ファイル"; empty when the file does not exist.
    static CString GetMimeType(const char* path);
    // The MIME type (RFC 2045 type/subtype) an attachment of this name is sent as: from the
    // system's table of extensions (kMimeTypesFile, Debian's media-types), compared without
    // regard to case; "message/rfc822" for ".eml"; else "application/octet-stream".
    static CString GetContentType(const char* path);
    static constexpr const char* kMimeTypesFile = "/etc/mime.types";
    // Replaces the characters a file name cannot hold by "_".
    static void ReplaceProhibitedWords(CString& text);

    // The file-system (UTF-8) form of a code page 932 path, and back.
    static std::string NativePath(const char* path);
    static CString FromNativePath(const std::string& path);
};
