#pragma once
// A test hook of the real program: with QUILLON_DUMP_DOCUMENT=<file> set, the program, as it
// ends, lets every page store what it shows into the document and writes the document's
// fields to <file> as JSON (UTF-8). Tests of the installed binary (a mailto link handed over
// by xdg-email, files on the command line) read back what the pages were filled with.

class CMailDoc;
class CMailWizard;

// Does nothing unless QUILLON_DUMP_DOCUMENT names a file.
void DumpDocumentIfAsked(CMailWizard* wizard, CMailDoc* doc);
