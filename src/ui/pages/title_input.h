#pragma once
// What a person types or pastes into the title edit, made into what the device takes as it comes
// in: half-width letters, digits and signs become their full-width forms, a character code page
// 932 has no place for is left out, and a paste longer than the room left is cut to what fits.
// Each of these is told through a note, so that nothing changes unseen.

#include <QString>
#include <QValidator>
#include <functional>

namespace velta {

struct TitleInputNotes {
    std::function<void()> converted;                       // half-width input was made full-width
    std::function<void(const QString& left_out)> refused;  // characters code page 932 lacks
    std::function<void(int pasted, int cut)> cut;          // a paste did not fit whole
};

class TitleInput final : public QValidator {
public:
    // limit: bytes of code page 932 a title holds; stored_size: the bytes the slot holds now (a
    // title from a file may be longer, and can then still be shortened).
    // bytes_of: the bytes a text takes in the title, when the edit shows more than the plain
    // characters (the page table writes custom characters as "{外字001}"); code page 932 by
    // default.
    using ByteCount = std::function<std::size_t(const QString& text)>;
    TitleInput(std::size_t limit, std::function<std::size_t()> stored_size, TitleInputNotes notes,
               QObject* parent, ByteCount bytes_of = {});

    // The edit's text as the program set it (loading a slot): taken as it is.
    void loaded(const QString& text) { text_ = text; }
    void set_loading(bool loading) { loading_ = loading; }

    State validate(QString& input, int& pos) const override;

private:
    std::size_t limit_;
    std::function<std::size_t()> stored_size_;
    ByteCount bytes_of_;
    TitleInputNotes notes_;
    mutable QString text_;  // the text last taken, to find what an edit inserted
    bool loading_ = false;
};

}  // namespace velta
