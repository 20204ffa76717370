#include "shell/DocumentDump.h"

#include "shell/CMailWizard.h"
#include "shell/CWizardPage.h"
#include "command/QtText.h"
#include "model/CMailDoc.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <cstdlib>

namespace {

QJsonArray Addresses(const CMailDoc& doc, unsigned int (CMailDoc::*size)() const,
                     const CAddress* (CMailDoc::*at)(unsigned int) const)
{
    QJsonArray list;
    for (unsigned int i = 0; i < (doc.*size)(); ++i)
        list.append(ToQString((doc.*at)(i)->ToText()));
    return list;
}

QString Text(const CMailDoc& doc, void (CMailDoc::*get)(CString&) const)
{
    CString text;
    (doc.*get)(text);
    return ToQString(text);
}

}  // namespace

void DumpDocumentIfAsked(CMailWizard* wizard, CMailDoc* doc)
{
    const char* file = std::getenv("QUILLON_DUMP_DOCUMENT");
    if (file == nullptr || *file == '\0' || doc == nullptr)
        return;
    if (wizard != nullptr) {
        for (int i = 0; i < CMailWizard::kPageCount; ++i)
            if (CWizardPage* page = wizard->GetPageAt(i))
                page->StoreToDocument();
    }
    QJsonObject fields;
    fields[u"subject"_qs] = Text(*doc, &CMailDoc::GetSubject);
    fields[u"to"_qs] = Addresses(*doc, &CMailDoc::GetToAddressSize, &CMailDoc::GetToAddress);
    fields[u"cc"_qs] = Addresses(*doc, &CMailDoc::GetCcAddressSize, &CMailDoc::GetCcAddress);
    fields[u"bcc"_qs] = Addresses(*doc, &CMailDoc::GetBccAddressSize, &CMailDoc::GetBccAddress);
    fields[u"body"_qs] = Text(*doc, &CMailDoc::GetBody);
    fields[u"inReplyTo"_qs] = Text(*doc, &CMailDoc::GetInReplyTo);
    QJsonArray files;
    CMailDoc::FileList list;
    doc->GetFiles(list);
    for (const CMailDoc::FileInfo& info : list)
        files.append(QString::fromUtf8(info.path.Native()));
    fields[u"files"_qs] = files;
    fields[u"modified"_qs] = doc->IsModified() != 0;
    QFile out(QFile::decodeName(file));
    if (out.open(QIODevice::WriteOnly | QIODevice::Truncate))
        out.write(QJsonDocument(fields).toJson());
}
