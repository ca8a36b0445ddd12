// Shows one dialog of the page settings with sample data, so it can be photographed:
//   pages_screens DIALOG [PAGE_MODE]
// DIALOG is one of title, position, switching, colours, fill, level, display, clock,
// titlerun: the title dialog with its "全設定" run going, or overview: the page overview
// filtered by "特売" with its rows selected, or preview: the overview on a page with a custom
// character and the fill on.
#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "core/common/message_boxes.h"
#include "core/model/settings_model.h"
#include "core/wire/link_status.h"
#include "link/text_cp932.h"
#include "program/program_context.h"
#include "ui/pages/date_time_dialog.h"
#include "ui/pages/display_page_dialog.h"
#include "ui/pages/page_list_dialog.h"
#include "ui/pages/page_overview_dialog.h"
#include "ui/pages/page_table_model.h"
#include "ui/pages/title_dialog.h"

using namespace velta;

namespace {

void sample_data()
{
    PageSettings& p = model().config.pages;
    p.page_title[0] = "\x83\x5E\x83\x43\x83\x67\x83\x8B\x82\xCC\x97\xE1";  // タイトルの例
    p.page_title[1] = std::string("\x10\x21\x82\xA0\x82\xA2\x82\xA4", 8);  // custom, あいう
    p.page_title[2] = "\x91\xE6\x82\x52\x89\xEF\x8B\x63";                  // 第３会議
    for (int s = 0; s < k_page_slots; s += 3) {
        p.page_title_position[s] = 0;
        p.page_auto_switch_time[s] = s % 100;
        p.page_char_color[s] = s % 9;
        p.page_border_color[s] = (s + 4) % 9;
        p.page_background_fill[s] = 1;
        p.page_char_level[s] = 0;
    }
    model().choices.current_page = 2;
}

// Shop-floor titles for the overview: a few of them mention a sale.
void overview_data()
{
    const char* titles[] = {"本日の特売　鮮魚コーナー", "営業時間のご案内", "特売　野菜詰め放題",
                            "駐車場は裏手です",         "週末特売　精肉",   "お客様感謝デー"};
    PageSettings& p = model().config.pages;
    for (int s = 0; s < 12; ++s) {
        p.page_title[static_cast<std::size_t>(s)] = to_cp932(QString::fromUtf8(titles[s % 6]));
        p.page_char_color[static_cast<std::size_t>(s)] = 7;
        p.page_border_color[static_cast<std::size_t>(s)] = 0;
        p.page_background_fill[static_cast<std::size_t>(s)] = 0;
        p.page_char_level[static_cast<std::size_t>(s)] = 1;
        p.page_title_position[static_cast<std::size_t>(s)] = 1;
    }
    p.page_char_color[0] = 4;
    p.page_background_fill[4] = 1;
    p.page_border_color[4] = 2;
}

std::unique_ptr<QDialog> make(const char* name)
{
    const struct {
        const char* name;
        PageDialogKind kind;
    } kinds[] = {
        {"position", PageDialogKind::title_position}, {"switching", PageDialogKind::auto_switch},
        {"colours", PageDialogKind::colours},         {"fill", PageDialogKind::background_fill},
        {"level", PageDialogKind::char_level},
    };
    if (std::strcmp(name, "title") == 0 || std::strcmp(name, "titlerun") == 0)
        return std::make_unique<TitleDialog>();
    if (std::strcmp(name, "overview") == 0)
        return std::make_unique<PageOverviewDialog>();
    if (std::strcmp(name, "preview") == 0)
        return std::make_unique<PageOverviewDialog>();
    if (std::strcmp(name, "display") == 0)
        return std::make_unique<DisplayPageDialog>();
    if (std::strcmp(name, "clock") == 0)
        return std::make_unique<DateTimeDialog>();
    for (const auto& k : kinds)
        if (std::strcmp(name, k.name) == 0)
            return std::make_unique<PageListDialog>(k.kind);
    return nullptr;
}

}  // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fputs("usage: pages_screens DIALOG [PAGE_MODE]\n", stderr);
        return 2;
    }
    reset_settings_model();
    model().config.device.page_mode = argc > 2 ? std::atoi(argv[2]) : 0;
    link_settings().rs485 = true;  // show the slave address list enabled
    link_settings().slave_address = 3;
    sample_data();
    const bool preview = std::strcmp(argv[1], "preview") == 0;
    const bool overview = preview || std::strcmp(argv[1], "overview") == 0;
    if (overview)
        overview_data();
    if (preview) {
        // A diamond as the first medium custom character, at the head of page 5's title.
        auto& glyph = model().glyphs.glyph_medium[0];
        const int pixels = 32;
        for (int y = 0; y < pixels; ++y)
            for (int x = 0; x < pixels; ++x)
                if (std::abs(x - 15.5) + std::abs(y - 15.5) < 14) {
                    char& digit = glyph[static_cast<std::size_t>(y * pixels / 4 + x / 4)];
                    const int value =
                        (digit <= '9' ? digit - '0' : digit - 'A' + 10) | (8 >> (x % 4));
                    digit = static_cast<char>(value < 10 ? '0' + value : 'A' + value - 10);
                }
        std::string& title = model().config.pages.page_title[4];
        title = std::string("\x10\x20", 2) + title;
    }
    std::unique_ptr<QDialog> dialog = make(argv[1]);
    if (!dialog) {
        std::fprintf(stderr, "pages_screens: unknown dialog %s\n", argv[1]);
        return 2;
    }
    dialog->move(20, 20);
    dialog->show();
    if (preview) {
        auto* o = static_cast<PageOverviewDialog*>(dialog.get());
        o->table()->setCurrentIndex(o->rows()->index(4, 0));
    } else if (overview) {
        auto* o = static_cast<PageOverviewDialog*>(dialog.get());
        o->filter_edit()->setText(QStringLiteral("特売"));
        o->table()->selectAll();
        o->table()->setCurrentIndex(o->rows()->index(0, 0));
        o->table()->selectAll();
    }
    if (std::strcmp(argv[1], "titlerun") == 0) {
        // Answer the question before the run; nothing goes anywhere without a link.
        set_box_presenter([](const Box&) { return BoxAnswer::yes; });
        static_cast<TitleDialog*>(dialog.get())->set_all_button()->click();
    }
    return QApplication::exec();
}
