#include "ui/pages/title_dialog.h"

#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QInputMethod>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>
#include <algorithm>
#include <functional>

#include "core/model/settings_model.h"
#include "link/text_cp932.h"
#include "program/program_context.h"
#include "ui/pages/title_input.h"

namespace velta {
namespace {

std::string& title_of(int slot)
{
    return model()
        .config.pages.page_title[static_cast<std::size_t>(std::clamp(slot, 0, k_page_slots - 1))];
}

}  // namespace

TitleDialog::TitleDialog(QWidget* parent) : PageListDialog(PageDialogKind::title, parent)
{
    edit_ = new QLineEdit;
    note_ = new QLabel;
    note_->setObjectName(QStringLiteral("title_note"));
    TitleInputNotes notes;
    notes.converted = [this] {
        if (!said_converted_)
            note_->setText(QStringLiteral("半角の英数字と記号は全角にして入力しました。"));
        said_converted_ = true;
    };
    notes.refused = [this](const QString& left_out) {
        note_->setText(QStringLiteral("「%1」はコード ページ 932 にない文字のため入力できません。")
                           .arg(left_out));
    };
    notes.cut = [this](int pasted, int cut) {
        note_->setText(
            QStringLiteral(
                "貼り付けた %1 文字のうち %2 文字はタイトルに入りきらないため省きました。")
                .arg(pasted)
                .arg(cut));
    };
    input_ = new TitleInput(
        k_title_max_bytes, [] { return title_of(model().choices.current_page).size(); },
        std::move(notes), edit_);
    edit_->setValidator(input_);
    edit_->setMinimumWidth(420);
    // Japanese input goes straight into the title: the edit takes the input method's text,
    // with no hint that would restrict it to Latin input.
    edit_->setAttribute(Qt::WA_InputMethodEnabled, true);
    edit_->setInputMethodHints(Qt::ImhNone);
    connect(edit_, &QLineEdit::textChanged, this, &TitleDialog::title_edited);

    auto* box = new QGroupBox(QStringLiteral("タイトル"));
    auto* row = new QVBoxLayout(box);
    row->addWidget(edit_);
    row->addWidget(note_);
    extra_area()->addWidget(box);

    load_title();
    edit_->setFocus();
    QInputMethod* im = QGuiApplication::inputMethod();
    input_panel_was_visible_ = im->isVisible();
    im->show();
}

void TitleDialog::page_chosen()
{
    load_title();
}

void TitleDialog::load_title()
{
    const int slot = model().choices.current_page;
    loading_ = true;
    input_->set_loading(true);
    const QString text = from_cp932(title_of(slot));
    edit_->setText(text);
    input_->loaded(text);
    input_->set_loading(false);
    loading_ = false;
    // The stored bytes stay as they are (a title from a file need not survive a round trip
    // through the edit); the list is redrawn.
    redraw_list();
}

void TitleDialog::title_edited(const QString& text)
{
    if (loading_)
        return;
    title_of(model().choices.current_page) = to_cp932(text);
    redraw_list();
}

void TitleDialog::done(int result)
{
    // Every edit is already in the model; what is left is to give the input method back as
    // it was found.
    QInputMethod* im = QGuiApplication::inputMethod();
    im->commit();
    if (!input_panel_was_visible_)
        im->hide();
    PageListDialog::done(result);
}

}  // namespace velta
