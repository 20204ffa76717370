#include "data/CLetterTemplateSet.h"

#include "data/CDataStore.h"

CLetterTemplateSet::CLetterTemplateSet(const CPath& databasePath)
    : CKeyedSet(databasePath.IsEmpty() ? theDataStore.GetTemplateDbPath() : databasePath,
                "LETTER_TEMPLATE", "ID")
{
}

void CLetterTemplateSet::DoFieldExchange(CFieldExchange& fx)
{
    fx.Id("ID", id);
    fx.Text("TITLE", title, 255);
    fx.Text("SUBJECT", subject, 255);
    fx.Text("DEAR", dear);
    fx.Text("GREETING", greeting);
    fx.Text("CLOSING", closing);
    fx.Long("SIGNATURE_ID", signatureId);
    fx.Long("ADDRESS_TEMPLATE_ID", addressTemplateId);
}

int CLetterTemplateSet::Add(const char* title, const char* subject, const char* dear,
                            const char* greeting, const char* closing, long signatureId,
                            long addressTemplateId, long& newId)
{
    return AddRow(
        [&] {
            this->title = title;
            this->subject = subject;
            this->dear = dear;
            this->greeting = greeting;
            this->closing = closing;
            this->signatureId = signatureId;
            this->addressTemplateId = addressTemplateId;
        },
        newId);
}

int CLetterTemplateSet::Modify(long id, const char* title, const char* subject,
                               const char* dear, const char* greeting, const char* closing,
                               long signatureId, long addressTemplateId)
{
    return ModifyRow(id, [&] {
        this->title = title;
        this->subject = subject;
        this->dear = dear;
        this->greeting = greeting;
        this->closing = closing;
        this->signatureId = signatureId;
        this->addressTemplateId = addressTemplateId;
    });
}
