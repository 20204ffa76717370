#include "command/CMailMimeData.h"

#include <QMimeData>
#include <QRegularExpression>

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
    if (data->hasText()) {
        static const QRegularExpression reference(QStringLiteral(u"^\\s*[a-z-]+-message://"),
                                                  QRegularExpression::CaseInsensitiveOption);
        return reference.match(data->text()).hasMatch();
    }
    return false;
}
