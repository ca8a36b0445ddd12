#include "ui/pages/title_dialog.h"

#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QInputMethod>
#include <QLineEdit>
#include <QValidator>
#include <algorithm>
#include <functional>

#include "core/model/settings_model.h"
#include "link/text_cp932.h"

namespace velta {
namespace {

std::string& title_of(int slot)
{
    return model()
        .config.pages.page_title[static_cast<std::size_t>(std::clamp(slot, 0, k_page_slots - 1))];
}

// Refuses any edit that would make the title longer than the device takes, counted in the
// bytes it is stored in, not in characters. A title already longer (a file may hold a few
// bytes more) can still be shortened.
class Cp932ByteLimit final : public QValidator {
public:
    Cp932ByteLimit(std::size_t limit, std::function<std::size_t()> stored_size, QObject* parent)
        : QValidator(parent), limit_(limit), stored_size_(std::move(stored_size))
    {
    }
    State validate(QString& input, int& /*pos*/) const override
    {
        const std::size_t size = to_cp932(input).size();
        return size <= limit_ || size < stored_size_() ? Acceptable : Invalid;
    }

private:
    std::size_t limit_;
    std::function<std::size_t()> stored_size_;
};

}  // namespace

TitleDialog::TitleDialog(QWidget* parent) : PageListDialog(PageDialogKind::title, parent)
{
    edit_ = new QLineEdit;
    edit_->setValidator(new Cp932ByteLimit(
        k_title_max_bytes, [] { return title_of(model().choices.current_page).size(); }, edit_));
    edit_->setMinimumWidth(420);
    // Japanese input goes straight into the title: the edit takes the input method's text,
    // with no hint that would restrict it to Latin input.
    edit_->setAttribute(Qt::WA_InputMethodEnabled, true);
    edit_->setInputMethodHints(Qt::ImhNone);
    connect(edit_, &QLineEdit::textChanged, this, &TitleDialog::title_edited);

    auto* box = new QGroupBox(QStringLiteral("タイトル"));
    auto* row = new QHBoxLayout(box);
    row->addWidget(edit_);
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
    edit_->setText(from_cp932(title_of(slot)));
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
