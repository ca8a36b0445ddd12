#include "link/text_cp932.h"

#include <QList>
#include <QStringDecoder>
#include <QStringEncoder>
#include <optional>

namespace velta {
namespace {

// What the encoder writes for a character code page 932 lacks.
constexpr std::string_view k_cp932_missing = "\xFC\xFC";

std::string title_to_utf8(std::string_view cp932)
{
    return from_cp932(cp932).toStdString();
}

std::optional<std::string> title_to_cp932(std::string_view utf8)
{
    const QString text = QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
    // Also what a byte that is no UTF-8 reads as; the encoder writes it as its stand-in, which
    // reads back as the same character.
    if (text.contains(QChar::ReplacementCharacter))
        return std::nullopt;
    std::string bytes = to_cp932(text);
    // Nearly always the bytes read back as the text; otherwise each character must be one the
    // code page holds (the encoder may also write a character as a near twin).
    if (from_cp932(bytes) != text) {
        for (const uint c : text.toUcs4())
            if (!cp932_has(static_cast<char32_t>(c)))
                return std::nullopt;
    }
    return bytes;
}

}  // namespace

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
    if (cp932 == k_cp932_missing)
        return "コード ページ 932 にない文字";
    const QString text = from_cp932(cp932);
    if (text.isEmpty() || text.contains(QChar::ReplacementCharacter))
        return {};
    return text.toStdString();
}

bool cp932_has(char32_t c)
{
    const std::string bytes = to_cp932(QString::fromUcs4(&c, 1));
    return !bytes.empty() && bytes != k_cp932_missing && (bytes != "?" || c == U'?');
}

const TitleText& cp932_title_text()
{
    static const TitleText text{title_to_utf8, title_to_cp932};
    return text;
}

}  // namespace velta
