#pragma once
// The one settings object of the program: the values the design keeps as registry values,
// under the company "Velto" and the program "Quillon". It knows every key and its default;
// nothing else in the system constructs a QSettings.
//
// The file is $XDG_CONFIG_HOME/Velto/Quillon.conf (INI; ~/.config when XDG_CONFIG_HOME is
// unset or not absolute). Sections and value names are the designed ones
// ("PageOption/PageOrder_Address", "EditorOption/NewLineLength", ...). Every write reaches
// the file at once, so a second instance of the program reads it on its next start.
//
// Values an earlier build wrote to Quillon.ini beside it are moved into Quillon.conf the
// first time the file is opened: a key the new file lacks is copied, then the old file is
// removed.

#include <QString>

#include <memory>

class QSettings;
class QVariant;

class CProfile {
public:
    // The designed defaults.
    static constexpr int kDefaultNewLineLength = 60;
    static constexpr int kDefaultReplyLineLength = 76;
    static constexpr int kMinimumLineLength = 1;
    static constexpr int kMaximumLineLength = 76;

    // The settings object, opened on first use.
    static CProfile& Get();
    // Closes the settings object; the next Get opens the file again, wherever
    // XDG_CONFIG_HOME then points (tests move it).
    static void Reset();

    // Where the settings live, and where an earlier build kept them.
    static QString FilePath();
    static QString OldFilePath();

    // "PageOption/PageOrder_<page name>": the page's position in the wizard; `fallback`
    // when the value is missing or not a number.
    int GetPageOrder(const QString& pageName, int fallback) const;
    void SetPageOrder(const QString& pageName, int position);

    // "TemplateOption/AddByClick_<list>" for the lists "Address" and "Letter": 0 or 1,
    // default 0.
    int GetAddByClick(const QString& list) const;
    void SetAddByClick(const QString& list, int value);

    // "Others/OEPath": the mail reader program, default DefaultMailReaderPath().
    QString GetMailReaderPath() const;
    void SetMailReaderPath(const QString& path);
    static QString DefaultMailReaderPath();

    // "EditorOption/NewLineLength" and "EditorOption/ReplyLineLength": the letter editor's
    // line lengths in half-width columns; a value outside 1..76 reads as the default.
    int GetNewLineLength() const;
    int GetReplyLineLength() const;
    void SetLineLengths(int newLineLength, int replyLineLength);

    // Whether the file could be written when last asked (a read-only or missing folder
    // leaves the values in memory for this run).
    bool IsWritable() const;

    ~CProfile();
    CProfile(const CProfile&) = delete;
    CProfile& operator=(const CProfile&) = delete;

private:
    CProfile();
    int ReadInt(const QString& key, int fallback) const;
    void Write(const QString& key, const QVariant& value);
    void MoveOldFile();

    std::unique_ptr<QSettings> settings_;
};
