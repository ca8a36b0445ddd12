#include "link/text_cp932.h"

#include <QStringDecoder>
#include <QStringEncoder>

namespace velta {

QString from_cp932(std::string_view bytes)
{
    QStringDecoder decode("CP932");
    if (!decode.isValid())
        return QString::fromLatin1(bytes.data(), static_cast<qsizetype>(bytes.size()));
    return decode(QByteArrayView(bytes.data(), static_cast<qsizetype>(bytes.size())));
}

std::string to_cp932(const QString& text)
{
    QStringEncoder encode("CP932");
    if (!encode.isValid())
        return text.toStdString();
    const QByteArray bytes = encode(text);
    return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

std::string cp932_char_to_utf8(std::string_view cp932)
{
    if (cp932 == "\xFC\xFC")
        return "コード ページ 932 にない文字";
    const QString text = from_cp932(cp932);
    if (text.isEmpty() || text.contains(QChar::ReplacementCharacter))
        return {};
    return text.toStdString();
}

}  // namespace velta
