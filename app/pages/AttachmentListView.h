#pragma once
// The attachment list as the Body page and the preview show it: no header, rows of the
// designed 17 pixels (scaled with the editor's font), and the list's height following its
// item count (BodyRules::AttachmentListHeight).

#include "model/CMailDoc.h"

class CFileListCtrl;

// Hides the header and gives every row the designed height.
void SetDesignedRows(CFileListCtrl* list);
// The list's height for its present item count, in pixels of this screen.
int DesignedListHeight(const CFileListCtrl* list);
// Fills `list` with the document's attachments under their titles; a file that can no longer
// be read is left out and named in one message. The list is left unmodified.
void ShowDocumentFiles(CFileListCtrl* list, const CMailDoc::FileList& files);
