#pragma once
// What the command line asks of a start: `quillon [mailto:...] [FILE...]`. Qt-free; the
// application object shows the problems and asks before it attaches what a link names.
//
// A mailto link fills the message (CMailtoUri); each other argument is a file to attach,
// a path (relative to the working folder) or a "file:" URL, kept as the file system's bytes.
// "--" ends the options: every argument after it is a file. A file that cannot be attached
// (missing, a folder, not a regular file, unreadable) and a link that cannot be read are
// problems, each said in one line; the rest of the start goes on.
//
// Files named by a link's attach= are attached only after the user agrees, since any web
// page can write such a link: LinkAttachments gives them, already checked.

#include "shell/CMailtoUri.h"

#include "encoding/CString.h"
#include "model/CMailDoc.h"
#include "model/CPath.h"

#include <string>
#include <vector>

class CStartRequest {
public:
    // Reads the arguments after the program's name (Qt's own options already taken out).
    // `workingFolder` resolves relative paths.
    void Read(const std::vector<std::string>& arguments, const CPath& workingFolder);

    bool IsEmpty() const { return m_fields.IsEmpty() && m_files.empty() && m_problems.empty(); }
    const CMailtoFields& GetFields() const { return m_fields; }
    // The files of the command line that can be attached, in order, each once.
    const std::vector<CPath>& GetFiles() const { return m_files; }
    // The files the links' attach= name that can be attached, in order, each once (not yet
    // in the document).
    const std::vector<CPath>& GetLinkAttachments() const { return m_linkFiles; }
    // What could not be used, one line each (code page 932).
    const std::vector<CString>& GetProblems() const { return m_problems; }

    // Puts the links' fields and the command-line files into the document (before the pages
    // load from it) and marks it modified when anything went in.
    void FillDocument(CMailDoc& doc) const;
    // Appends `files` to the document's attachments.
    static void AttachFiles(CMailDoc& doc, const std::vector<CPath>& files);

    // Whether the file at `path` can be attached: a regular file that can be opened for
    // reading. Otherwise 0 and the reason in `reason` ("見つかりません", "フォルダです", ...).
    static int CheckFile(const CPath& path, CString& reason);
    // The path of a "file:" URL on this machine (percent-decoded bytes); 0 for another host
    // or a malformed escape.
    static int PathFromFileUrl(std::string_view url, CPath& path);

    // The question asked before a link's files are attached, and the box of problems.
    static CString AttachQuestion(const std::vector<CPath>& files);
    static CString ProblemText(const std::vector<CString>& problems);

private:
    void AddFile(const CPath& path, std::vector<CPath>& list, const char* source);

    CMailtoFields m_fields;
    std::vector<CPath> m_files;
    std::vector<CPath> m_linkFiles;
    std::vector<CString> m_problems;
};
