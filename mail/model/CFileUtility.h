#pragma once
// Static helpers on paths, files and sizes. A path is a CPath, the file system's own bytes
// (CPath.h): every call that reaches the file system takes one, so a code page 932 text can
// never be opened by mistake. The name helpers on a CPath give text (code page 932, "〓"
// for what it lacks), for showing a name or making an attachment's title; the same helpers
// on a code page 932 text (a display name, say) stay in code page 932.

#include "encoding/CString.h"
#include "model/CPath.h"

class CFileUtility {
public:
    // The last part of a path, as text.
    static CString GetFileNameFromPath(const CPath& path);
    static CString GetFileNameFromPath(const char* text);
    // The extension of the last part (after its last "."), as text; empty when none.
    static CString GetFileExt(const CPath& path);
    static CString GetFileExt(const char* text);
    static CPath GetParentPath(const CPath& path);
    // Non-zero when a search for the path (shell wildcards * and ? allowed in the last part)
    // finds at least one entry.
    static int Exists(const CPath& path);
    static int DeleteFileA(const CPath& path);
    // Size in bytes; -1 when the file cannot be queried.
    static long GetFileSize(const CPath& path);
    // 1 when `path` is a regular file (after links) that can be opened for reading now, so
    // that it can be attached and sent; 0 for a folder, a device, a pipe, a missing file or
    // one the user may not read.
    static int CanReadFile(const CPath& path);
    // 1 when `path` names a folder (after links).
    static int IsFolder(const CPath& path);
    static CString GetFileSizeString(const CPath& path, int autoUnit);
    static CString SizeAutoUnit(long size);
    static int IsCommentLine(CString& line);
    // A readable description of the file's type: a known description, else the MIME type
    // of GetContentType, else "<EXT> ファイル"; empty when the file does not exist.
    static CString GetMimeType(const CPath& path);
    // The MIME type (RFC 2045 type/subtype) an attachment of this name is sent as: from the
    // system's table of extensions (kMimeTypesFile, Debian's media-types), compared without
    // regard to case; "message/rfc822" for ".eml"; else "application/octet-stream".
    static CString GetContentType(const CPath& path);
    static constexpr const char* kMimeTypesFile = "/etc/mime.types";
    // Replaces the characters a file name cannot hold by "_".
    static void ReplaceProhibitedWords(CString& text);

    // The user's application-data folder, as its bytes: $XDG_DATA_HOME, or ~/.local/share
    // when that is unset or not absolute; without a trailing "/". Empty when no home folder
    // is known. The folder itself may not exist yet.
    static CPath GetAppDataFolder();
    // The user's home folder: $HOME when absolute, else the password entry's; without a
    // trailing "/". Empty when neither is known.
    static CPath GetHomeFolder();
};
