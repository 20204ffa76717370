#pragma once
// A store of numbered text entries, one file per entry in one folder: file "tpl<id>" holds
// the title, CR LF, then the body bytes unchanged. Ids are small positive integers chosen
// by the store; the ids of deleted entries are reused. The folder is the file system's bytes.

#include "encoding/CString.h"
#include "model/CPath.h"

#include <dirent.h>

class CTemplateFile {
public:
    // `folder` without a trailing "/".
    explicit CTemplateFile(const CPath& folder);
    // A copy takes the folder only, never the running search of the original.
    CTemplateFile(const CTemplateFile& other);
    CTemplateFile& operator=(const CTemplateFile& other);
    virtual ~CTemplateFile();

    // Starts the one directory search of this store (ending a running one) and gives the
    // first entry: the id after "tpl" in its name (0 when no digits follow) and its title.
    // Fails when no entry exists or its file cannot be read.
    [[nodiscard]] int ListFirst(long& id, CString& title);
    // The next entry of the running search; fails at the end.
    [[nodiscard]] int ListNext(long& id, CString& title);
    int ListEnd();

    // The body comes back line by line, each line ended by CR LF: a body written without a
    // final line break reads back with one.
    [[nodiscard]] int Read(long id, CString& title, CString& body);
    [[nodiscard]] int Add(CString title, CString body, long& id);
    // Fails when entry `id` does not exist.
    [[nodiscard]] int Modify(long id, CString title, CString body);
    int Delete(long id);

private:
    CPath FileFullPath(long id) const;
    long NewId() const;
    int ReadEntry(const char* name, long& id, CString& title);

    CPath folder_;
    DIR* search_ = nullptr;
};
