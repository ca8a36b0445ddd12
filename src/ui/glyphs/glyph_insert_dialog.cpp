#include "ui/glyphs/glyph_insert_dialog.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

#include "core/glyphs/glyph_insert.h"
#include "core/glyphs/glyph_state.h"
#include "core/model/settings_model.h"
#include "core/pages/page_lists.h"
#include "program/program_context.h"
#include "ui/widgets/dialog_widgets.h"

namespace velta {
namespace {

QStringList items_of(const std::vector<std::string>& texts)
{
    QStringList out;
    for (const std::string& t : texts) out << qs(t);
    return out;
}

// Appends or removes entries at the end so that the list holds `count` numbers, then selects
// index; the entries that stay keep their place.
void resize_numbers(QComboBox* combo, int count, int width, int index)
{
    const QSignalBlocker quiet(combo);
    while (combo->count() > count) combo->removeItem(combo->count() - 1);
    if (combo->count() < count)
        combo->addItems(number_items(combo->count() + 1, count, width));
    combo->setCurrentIndex(index >= 0 && index < count ? index : -1);
}

}  // namespace

GlyphInsertDialog::GlyphInsertDialog(QWidget* parent)
    : SettingsDialog(QStringLiteral("外字挿入"), "外字挿入の設定 ", parent)
{
    const int font = glyph_state().insert_font_size;
    // A glyph number or position left by another dialog that this size does not offer would
    // otherwise be sent without being shown.
    if (model().glyphs.glyph_transfer_index >= insert_glyph_count(font) ||
        model().glyphs.glyph_transfer_index < 0)
        model().glyphs.glyph_transfer_index = 0;
    if (model().choices.insert_position >= insert_position_count(font) ||
        model().choices.insert_position < 0)
        model().choices.insert_position = 0;

    size_list_ = bound_combo(
        {QStringLiteral("小"), QStringLiteral("中"), QStringLiteral("大")},
        [] { return glyph_state().insert_font_size; }, [](int) {}, [this] { size_changed(); });
    position_list_ = bound_combo(
        number_items(1, insert_position_count(font), 2),
        [] { return model().choices.insert_position; },
        [](int index) { model().choices.insert_position = index; });
    number_list_ = bound_combo(
        number_items(1, insert_glyph_count(font), 3),
        [] { return model().glyphs.glyph_transfer_index; },
        [](int index) { model().glyphs.glyph_transfer_index = index; });
    page_list_ = bound_combo(
        items_of(slot_label_items(model().config.device.page_mode)),
        [] { return model().choices.current_page; },
        [](int index) { model().choices.current_page = index; });

    auto* send = new QPushButton(QStringLiteral("設定"));
    send->setAutoDefault(false);
    connect(send, &QPushButton::clicked, this, [] { send_glyph_insert(program_context()); });

    auto* grid = new QGridLayout(this);
    grid->addWidget(group_row(QStringLiteral("ページ"), {page_list_}), 0, 0);
    grid->addWidget(group_row(QStringLiteral("フォント サイズ"), {size_list_}), 0, 1);
    grid->addWidget(make_slave_address_group(), 0, 2);
    grid->addWidget(group_row(QStringLiteral("外字登録番号"), {number_list_}), 1, 0);
    grid->addWidget(group_row(QStringLiteral("挿入位置"), {position_list_}), 1, 1);
    auto* buttons = new QVBoxLayout;
    buttons->addWidget(send);
    buttons->addWidget(make_close_button());
    grid->addLayout(buttons, 1, 2);
    grid->setSizeConstraint(QLayout::SetFixedSize);
}

void GlyphInsertDialog::size_changed()
{
    const int font = size_list_->currentIndex();
    if (font == glyph_state().insert_font_size)
        return;
    change_insert_font_size(model(), font);
    resize_numbers(position_list_, insert_position_count(font), 2, model().choices.insert_position);
    resize_numbers(number_list_, insert_glyph_count(font), 3, model().glyphs.glyph_transfer_index);
}

}  // namespace velta
