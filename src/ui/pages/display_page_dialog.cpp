#include "ui/pages/display_page_dialog.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QVBoxLayout>

#include "core/model/settings_model.h"
#include "core/pages/page_commands.h"
#include "core/pages/page_lists.h"
#include "core/wire/device_context.h"
#include "program/program_context.h"
#include "ui/pages/page_widgets.h"
#include "ui/widgets/dialog_widgets.h"

namespace velta {
DisplayPageDialog::DisplayPageDialog(QWidget* parent)
    : SettingsDialog(QStringLiteral("表示ページ"), "表示ページの設定 ", parent)
{
    QStringList pages = qt_items(page_number_items(page_count()));
    pages << QStringLiteral("PAS ");
    page_list_ = bound_combo(
        pages, [] { return page_list_index(model().extras.display_page, page_count(), false); },
        [](int index) { model().extras.display_page = page_from_list_index(index, page_count()); });
    on_off_list_ = bound_combo(
        qt_items(display_on_items()), [] { return model().choices.display_on; },
        [](int index) { model().choices.display_on = index; });

    const SetGroup page = set_group(QStringLiteral("ページ"), page_list_, [] {
        send_command(program_context(), display_page_command(model().extras.display_page));
    });
    const SetGroup on_off = set_group(QStringLiteral("表示ON/OFF"), on_off_list_, [] {
        send_command(program_context(), display_on_command(model().choices.display_on));
    });
    page_set_ = page.set;
    on_off_set_ = on_off.set;

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(page.box);
    layout->addWidget(on_off.box);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(make_slave_address_group());
    bottom->addStretch();
    bottom->addWidget(make_close_button());
    layout->addLayout(bottom);
}

}  // namespace velta
