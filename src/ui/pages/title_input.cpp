#include "ui/pages/title_input.h"

#include <algorithm>
#include <utility>

#include "link/text_cp932.h"

namespace velta {
namespace {

// Printable ASCII and the blank have full-width twins the device takes.
char32_t full_width(char32_t c)
{
    if (c == U' ')
        return U'\u3000';
    return c > 0x20 && c < 0x7F ? c + 0xFEE0 : c;
}

}  // namespace

TitleInput::TitleInput(std::size_t limit, std::function<std::size_t()> stored_size,
                       TitleInputNotes notes, QObject* parent, ByteCount bytes_of)
    : QValidator(parent),
      limit_(limit),
      stored_size_(std::move(stored_size)),
      bytes_of_(bytes_of ? std::move(bytes_of)
                         : ByteCount([](const QString& text) { return to_cp932(text).size(); })),
      notes_(std::move(notes))
{
}

QValidator::State TitleInput::validate(QString& input, int& pos) const
{
    if (loading_) {
        text_ = input;
        return Acceptable;
    }
    // The edit replaced what lies between the common start and the common end of the old and
    // the new text.
    const qsizetype shorter = std::min(text_.size(), input.size());
    qsizetype head = 0;
    while (head < shorter && text_[head] == input[head]) ++head;
    qsizetype tail = 0;
    while (tail < shorter - head &&
           text_[text_.size() - 1 - tail] == input[input.size() - 1 - tail])
        ++tail;
    // Never split a surrogate pair between the kept and the inserted parts.
    if (head > 0 && input[head - 1].isHighSurrogate())
        --head;
    if (tail > 0 && input[input.size() - tail].isLowSurrogate())
        --tail;
    const QString before = input.left(head);
    const QString after = input.right(tail);
    const QList<uint> inserted = input.mid(head, input.size() - head - tail).toUcs4();

    QString taken;
    QString refused;
    bool converted = false;
    int count = 0;  // characters inserted, after the refused ones
    for (const uint u : inserted) {
        const char32_t c = full_width(static_cast<char32_t>(u));
        converted = converted || c != u;
        if (!cp932_has(c)) {
            refused += QString::fromUcs4(&c, 1);
            continue;
        }
        taken += QString::fromUcs4(&c, 1);
        ++count;
    }

    // A title already too long (from a file) may still be shortened, never lengthened.
    const std::size_t stored = stored_size_();
    auto allowed = [&](const QString& text) {
        const std::size_t size = bytes_of_(text);
        return size <= limit_ || size < stored;
    };
    // As much of the inserted text as the room left takes, character by character.
    QString kept;
    int kept_count = 0;
    for (qsizetype i = 0; i < taken.size();) {
        const qsizetype n = taken[i].isHighSurrogate() && i + 1 < taken.size() ? 2 : 1;
        if (!allowed(before + kept + taken.mid(i, n) + after))
            break;
        kept += taken.mid(i, n);
        ++kept_count;
        i += n;
    }
    const QString result = before + kept + after;
    if (!allowed(result))
        return Invalid;
    // One key more than fits is refused as before, unsaid; a paste says what it lost.
    if (kept_count < count && count == 1)
        return Invalid;
    if (converted && kept_count > 0 && notes_.converted)
        notes_.converted();
    if (!refused.isEmpty() && notes_.refused)
        notes_.refused(refused);
    if (kept_count < count && notes_.cut)
        notes_.cut(count, count - kept_count);
    if (kept_count == 0 && count > 0)
        return Invalid;
    input = result;
    pos = static_cast<int>(before.size() + kept.size());
    text_ = result;
    return Acceptable;
}

}  // namespace velta
