#include "command/CQtJapanese.h"

#include <QCoreApplication>
#include <QLibraryInfo>

#include <cstring>

namespace {

struct MissingText {
    const char* context;
    const char* source;
    const char16_t* japanese;
};

// Qt 6 moved the file type names to a context of their own, which qtbase_ja.qm does not
// have yet; the words follow the catalogue's ("新しいフォルダ").
constexpr MissingText kMissing[] = {
    {"QAbstractFileIconProvider", "Folder", u"フォルダ"},
    {"QAbstractFileIconProvider", "File Folder", u"ファイル フォルダ"},
    {"QAbstractFileIconProvider", "Drive", u"ドライブ"},
    {"QAbstractFileIconProvider", "Shortcut", u"ショートカット"},
    {"QAbstractFileIconProvider", "Alias", u"エイリアス"},
    {"QAbstractFileIconProvider", "Unknown", u"不明"},
};

}  // namespace

QString CQtJapanese::CMissingTexts::translate(const char* context, const char* sourceText, const char*, int) const
{
    if (context == nullptr || sourceText == nullptr)
        return {};
    for (const MissingText& text : kMissing)
        if (std::strcmp(context, text.context) == 0 && std::strcmp(sourceText, text.source) == 0)
            return QString::fromUtf16(text.japanese);
    return {};
}

CQtJapanese::CQtJapanese() : m_previousDefault(QLocale())
{
    const QLocale japanese(QLocale::Japanese, QLocale::Japan);
    QLocale::setDefault(japanese);
    m_hasCatalogue = m_catalogue.load(japanese, QStringLiteral(u"qtbase"), QStringLiteral(u"_"),
                                      QLibraryInfo::path(QLibraryInfo::TranslationsPath));
    if (m_hasCatalogue)
        QCoreApplication::installTranslator(&m_catalogue);
    // Installed last, so asked first.
    QCoreApplication::installTranslator(&m_missing);
}

CQtJapanese::~CQtJapanese()
{
    QCoreApplication::removeTranslator(&m_missing);
    if (m_hasCatalogue)
        QCoreApplication::removeTranslator(&m_catalogue);
    QLocale::setDefault(m_previousDefault);
}
