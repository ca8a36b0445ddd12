#include "ui/device/other_settings_dialog.h"

#include <QGridLayout>
#include <QVBoxLayout>

#include "core/device/device_items.h"
#include "core/device/other_commands.h"
#include "core/model/settings_model.h"
#include "program/program_context.h"
#include "ui/device/device_rows_widgets.h"

namespace velta {
namespace {
QStringList power_on_items()
{
    return number_items(1, page_count(), 3) << qs(k_pas_item);
}

int power_on_item()
{
    return page_list_index(model().config.device.power_on_page, page_count(), false);
}
}  // namespace

OtherSettingsDialog::OtherSettingsDialog(QWidget* parent)
    : SettingsDialog(QStringLiteral("その他の設定"), "その他の設定 ", parent)
{
    DeviceSettings& d = model().config.device;

    power_on_ = bound_combo(power_on_items(), power_on_item, [](int index) {
        model().config.device.power_on_page = page_from_list_index(index, page_count());
    });
    page_mode_ = bound_combo(
        item_list(k_page_mode_items), [] { return model().config.device.page_mode; },
        [this](int index) {
            apply_page_mode(model(), index);
            refill_power_on_list();
        });
    const QStringList offsets = number_items(0, k_display_offset_max, 3);

    auto* grid = new QGridLayout;
    int row = 0;
    auto add = [&](QWidget* group) {
        grid->addWidget(group, row / 2, row % 2);
        ++row;
    };
    add(setting_group(QStringLiteral("コネクター入力"),
                      field_combo(item_list(k_connector_input_items), d.connector_input),
                      QStringLiteral("send_connector_input"), sends(connector_input_command)));
    add(setting_group(QStringLiteral("電源投入時ページ"), power_on_,
                      QStringLiteral("send_power_on_page"), sends(power_on_page_command)));
    add(setting_group(QStringLiteral("ページ モード"), page_mode_, QStringLiteral("send_page_mode"),
                      sends(page_mode_command)));
    add(setting_group(QStringLiteral("ビデオロス背景色"),
                      field_combo(item_list(k_video_loss_items), d.video_loss_background),
                      QStringLiteral("send_video_loss_background"),
                      sends(video_loss_background_command)));
    add(setting_group(QStringLiteral("フォント サイズ上"),
                      field_combo(item_list(k_font_size_items), d.upper_font_size),
                      QStringLiteral("send_upper_font_size"), sends(upper_font_size_command)));
    add(setting_group(QStringLiteral("フォント サイズ下"),
                      field_combo(item_list(k_font_size_items), d.lower_font_size),
                      QStringLiteral("send_lower_font_size"), sends(lower_font_size_command)));
    add(setting_group(
        QStringLiteral("上表示オフセット"), field_combo(offsets, d.upper_display_offset),
        QStringLiteral("send_upper_display_offset"), sends(upper_display_offset_command)));
    add(setting_group(
        QStringLiteral("下表示オフセット"), field_combo(offsets, d.lower_display_offset),
        QStringLiteral("send_lower_display_offset"), sends(lower_display_offset_command)));
    add(make_slave_address_group());

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addWidget(make_close_button(), 0, Qt::AlignRight);
}

void OtherSettingsDialog::refill_power_on_list()
{
    set_items_quietly(power_on_, power_on_items(), power_on_item());
}

}  // namespace velta
