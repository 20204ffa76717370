// quillon-sample-data: fills the data folder of $XDG_DATA_HOME with a few Japanese entries
// (a sender, persons and groups, address and letter templates, the Letter page's phrases and
// signatures, a fixed phrase of the Body page) through the program's own writers, so that
// `make screenshots` pictures lists that are not empty. Run once before the program starts;
// exits non-zero when a write fails.

#include "data/AddressTemplates.h"
#include "data/CAccountSet.h"
#include "data/CCurrentAccountSet.h"
#include "data/CDataStore.h"
#include "data/CGroupSet.h"
#include "data/CPersonSet.h"
#include "data/LetterTables.h"
#include "files/CTemplateFile.h"
#include "letter/CEditLetter.h"
#include "pages/BodyRules.h"

#include <QApplication>

#include <cstdio>

namespace {

int failures = 0;

void Check(int ok, const char* what)
{
    if (!ok) {
        std::fprintf(stderr, "quillon-sample-data: could not write %s\n", what);
        ++failures;
    }
}

// Narrow literals are code page 932, the stores' own encoding.
struct Person {
    const char* name;
    const char* address;
};
const Person kPersons[] = {
    {"山田 花子", "hanako@example.jp"}, {"佐藤 次郎", "jiro@example.jp"},   {"田中 美咲", "misaki@example.jp"},
    {"高橋 健一", "kenichi@example.jp"}, {"伊藤 由美", "yumi@example.jp"}, {"渡辺 修", "osamu@example.jp"},
};

long AddPhrase(const char* table, const char* title, const char* text)
{
    CPhrase phrase;
    phrase.title = title;
    phrase.text = text;
    Check(SavePhrase(table, RecordAdd, phrase), table);
    return phrase.id;
}

// A Body page phrase is the RTF of the letter editor that wrote it.
CString PhraseRtf(const QString& text)
{
    CEditLetter editor;
    editor.Init(0);
    editor.setPlainText(text);
    CString rtf;
    editor.GetRtf(rtf);
    return rtf;
}

}  // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (!theDataStore.CreateDatabases()) {
        std::fprintf(stderr, "quillon-sample-data: the data folder could not be made\n");
        return 1;
    }

    {
        // The sender's server does not exist: sending ends in the send error dialog.
        CAccountSet accounts;
        long id = 0;
        Check(accounts.Open() && accounts.Add("鈴木 太郎", "taro@example.jp", "smtp.example.jp", 587, 0, "", "", "", id),
              "ACCOUNT");
        CCurrentAccountSet current;
        Check(current.Open(), "CURRENT_ACCOUNT");  // reads the row into the members
        current.accountId = id;
        current.setToBcc = 0;
        Check(current.Save(), "CURRENT_ACCOUNT");
    }

    CIdArray members;
    {
        CPersonSet persons;
        Check(persons.Open(), "PERSON");
        for (const Person& person : kPersons) {
            long id = 0;
            Check(persons.Add(person.name, person.address, id), "PERSON");
            if (members.size() < 3)
                members.push_back(id);
        }
    }
    {
        CGroupSet groups;
        Check(groups.Open(), "GROUP");
        long id = 0;
        Check(groups.Add("営業部", members, id), "GROUP");
        Check(groups.Add("プロジェクトA", {members[0], members[2]}, id), "GROUP");
    }

    AddPhrase("SUBJECT_PREFIX", "重要", "【重要】");
    AddPhrase("SUBJECT_PREFIX", "ご連絡", "【ご連絡】");
    AddPhrase("DEAR", "山田様", "株式会社ベルト\r\n営業部 山田 花子 様");
    AddPhrase("DEAR", "各位", "関係者各位");
    AddPhrase("GREETING", "いつもお世話に", "いつもお世話になっております。");
    AddPhrase("GREETING", "初めてのご連絡", "初めてご連絡いたします。");
    AddPhrase("CLOSING", "よろしく", "どうぞよろしくお願いいたします。");
    AddPhrase("CLOSING", "ご検討", "ご検討のほど、よろしくお願い申し上げます。");
    const long signature = AddPhrase("SIGNATURE", "会社用",
                                     "--\r\n鈴木 太郎\r\n株式会社ベルト 営業部\r\ntaro@example.jp");
    AddPhrase("SIGNATURE", "個人用", "--\r\n鈴木 太郎");

    CAddressTemplateRecord meeting;
    meeting.title = "定例会議";
    meeting.subject = "定例会議の資料";
    meeting.toList = {CAddress("", kPersons[0].name, kPersons[0].address)};
    meeting.ccList = {CAddress("", kPersons[1].name, kPersons[1].address)};
    Check(WriteAddressTemplate(RecordAdd, meeting), "ADDRESS_TEMPLATE");
    CAddressTemplateRecord team;
    team.title = "プロジェクトA";
    team.toList = {CAddress("", kPersons[0].name, kPersons[0].address),
                   CAddress("", kPersons[2].name, kPersons[2].address)};
    Check(WriteAddressTemplate(RecordAdd, team), "ADDRESS_TEMPLATE");

    CLetterTemplate letter;
    letter.title = "山田様へのご連絡";
    letter.subject = "定例会議の資料";
    letter.dear = "株式会社ベルト\r\n営業部 山田 花子 様";
    letter.greeting = "いつもお世話になっております。";
    letter.closing = "どうぞよろしくお願いいたします。";
    letter.signatureId = signature;
    letter.addressTemplateId = meeting.id;
    Check(SaveLetterTemplate(RecordAdd, letter), "LETTER_TEMPLATE");
    meeting.letterTemplateId = letter.id;  // the two templates name each other
    Check(WriteAddressTemplate(RecordChange, meeting), "ADDRESS_TEMPLATE");
    CLetterTemplate notice;
    notice.title = "社内へのお知らせ";
    notice.dear = "関係者各位";
    notice.greeting = "お疲れさまです。";
    notice.closing = "以上、よろしくお願いします。";
    notice.signatureId = signature;
    Check(SaveLetterTemplate(RecordAdd, notice), "LETTER_TEMPLATE");

    const CPath folder = BodyRules::PhraseFolder(theDataStore.GetDataFolder());
    Check(BodyRules::MakePhraseFolder(folder), "the fixed phrase folder");
    CTemplateFile bodyPhrases(folder);
    long id = 0;
    Check(bodyPhrases.Add("資料送付のご案内", PhraseRtf(QStringLiteral(u"資料をお送りいたしますので、ご査収ください。")), id), "a fixed phrase");
    Check(bodyPhrases.Add("日程調整", PhraseRtf(QStringLiteral(u"次回の日程について、ご都合のよい日をお知らせください。")), id), "a fixed phrase");
    return failures == 0 ? 0 : 1;
}
