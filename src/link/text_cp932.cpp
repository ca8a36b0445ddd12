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

}  // namespace velta
