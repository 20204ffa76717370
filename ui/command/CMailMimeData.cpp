#include "command/CMailMimeData.h"

#include <QMimeData>
#include <QRegularExpression>
#include <QUrl>

const QString CMailMimeData::kInternetMessage = QStringLiteral(u"Internet Message (rfc822/rfc1522)");
const QString CMailMimeData::kMozMessage = QStringLiteral(u"text/x-moz-message");
const QString CMailMimeData::kRfc822 = QStringLiteral(u"message/rfc822");
const QString CMailMimeData::kMozCustomClipData = QStringLiteral(u"application/x-moz-custom-clipdata");

namespace {

// Thunderbird's custom clip data is a list of (type, data) pairs in UTF-16; it carries
// other things too, so only one that names the message type counts.
bool NamesMozMessage(const QByteArray& clipData)
{
    const QString type = CMailMimeData::kMozMessage;
    const QByteArray little(reinterpret_cast<const char*>(type.utf16()), type.size() * 2);
    QByteArray big;
    for (QChar ch : type) {
        big.append(static_cast<char>(ch.unicode() >> 8));
        big.append(static_cast<char>(ch.unicode() & 0xFF));
    }
    return clipData.contains(little) || clipData.contains(big);
}

}  // namespace

bool CMailMimeData::CarriesMail(const QMimeData* data)
{
    if (data == nullptr)
        return false;
    if (data->hasFormat(kInternetMessage) || data->hasFormat(kMozMessage) || data->hasFormat(kRfc822))
        return true;
    if (data->hasFormat(kMozCustomClipData) && NamesMozMessage(data->data(kMozCustomClipData)))
        return true;
    // A list of local ".eml" files only (a file manager's drag, several messages dragged out of
    // Thunderbird) is a mail; any other file is an attachment.
    if (data->hasUrls()) {
        const QList<QUrl> urls = data->urls();
        bool allMail = !urls.isEmpty();
        for (const QUrl& url : urls)
            allMail = allMail && url.isLocalFile() && url.path().endsWith(QStringLiteral(u".eml"), Qt::CaseInsensitive);
        if (allMail)
            return true;
    }
    if (data->hasText()) {
        static const QRegularExpression reference(QStringLiteral(u"^\\s*[a-z-]+-message://"),
                                                  QRegularExpression::CaseInsensitiveOption);
        return reference.match(data->text()).hasMatch();
    }
    return false;
}
