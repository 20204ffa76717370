#pragma once
// Qt's own texts and formats in Japanese, whatever the system's locale: Qt's Japanese
// catalogue (qtbase_ja.qm, standard buttons and the file dialog), Japanese as the default
// locale (dates, sizes and the file type names Qt takes from the MIME database), and the few
// texts Qt 6 asks for that its catalogue lacks (the file dialog's "Folder").
// Installed while the object lives; the program holds one from start to end.

#include <QLocale>
#include <QTranslator>

class CQtJapanese {
public:
    CQtJapanese();
    ~CQtJapanese();
    CQtJapanese(const CQtJapanese&) = delete;
    CQtJapanese& operator=(const CQtJapanese&) = delete;

    // Whether Qt's catalogue was found (Debian qt6-translations-l10n).
    bool HasCatalogue() const { return m_hasCatalogue; }

private:
    // Answers only the texts it knows; everything else goes on to Qt's catalogue.
    class CMissingTexts : public QTranslator {
    public:
        QString translate(const char* context, const char* sourceText, const char* disambiguation,
                          int n) const override;
        bool isEmpty() const override { return false; }
    };

    QTranslator m_catalogue;
    CMissingTexts m_missing;
    QLocale m_previousDefault;
    bool m_hasCatalogue = false;
};
