// Protects the page file (CSV): what the export writes, that an export read back gives the same
// configuration in both page modes, that a file naming some cells changes exactly those, that
// a spreadsheet's code page 932 file is read, and that every refused file says where and why
// and changes nothing.
#include "core/pages/page_csv.h"

#include <gtest/gtest.h>

#include <string>

#include "core/model/settings_model.h"
#include "support/table_title_text.h"

namespace velta {
namespace {

const TitleText& text = table_title_text();
const std::string k_header =
    "ページ,タイトル,表示位置,自動切換え（秒）,文字色,縁取り色,背景色ベタ塗り,文字レベル";

// Titles that need every rule of the text and of the file: custom characters, braces, commas,
// quotes, blanks at either end, half-width characters of odd length, bytes that are no
// character.
DeviceConfig varied_config(int page_mode)
{
    DeviceConfig c;
    c.device.page_mode = page_mode;
    const std::string titles[] = {
        "\x10\x20\x88\x9F", "{\x83\x7B}",   "a,b",      "say \"\x82\xA0\"",
        "\x81\x40\x88\x9F", "\x88\x9F ",    "ABC",      "\xB1",
        "\x01\x41\x83\x65", "\x88\x9F\x83", "\xED\x40", "line",
    };
    const int pages = page_count_for_mode(page_mode);
    for (int s = 0; s < k_page_slots; ++s) {
        const auto i = static_cast<std::size_t>(s);
        c.pages.page_title[i] = s % 5 == 0 ? std::string() : titles[i % std::size(titles)];
        c.pages.page_title_position[i] = s % 2;
        c.pages.page_char_color[i] = s % 9;
        c.pages.page_border_color[i] = (s + 4) % 9;
        c.pages.page_background_fill[i] = (s / 2) % 2;
        if (s < pages) {  // the per-page values a page mode has
            c.pages.page_auto_switch_time[i] = s % 100;
            c.pages.page_char_level[i] = (s / 3) % 2;
        }
    }
    return c;
}

std::vector<std::string> lines_of(const std::string& csv)
{
    std::vector<std::string> lines;
    std::size_t from = 0;
    for (std::size_t end; (end = csv.find("\r\n", from)) != std::string::npos; from = end + 2)
        lines.push_back(csv.substr(from, end - from));
    EXPECT_EQ(from, csv.size()) << "the last line ends with CR LF";
    return lines;
}

TEST(PageCsv, ExportWritesTheHeaderAndEverySlotQuotingOnlyWhereNeeded)
{
    DeviceConfig c;
    c.pages.page_title[0] = "a,\"b\"";
    c.pages.page_title[1] = "\x81\x40\x88\x9F";  // a full-width space in front
    c.pages.page_title[2] = "x}";
    const std::string csv = pages_to_csv(c, text);
    ASSERT_TRUE(csv.starts_with("\xEF\xBB\xBF"));
    const std::vector<std::string> lines = lines_of(csv.substr(3));
    ASSERT_EQ(lines.size(), 257u);
    EXPECT_EQ(lines[0], k_header);
    EXPECT_EQ(lines[1], "001,\"a,\"\"b\"\"\",下,3,白,黒,OFF,HIGH");
    EXPECT_EQ(lines[2], "002,\"　亜\",下,3,白,黒,OFF,HIGH");
    EXPECT_EQ(lines[3], "003,x},下,3,白,黒,OFF,HIGH");
    EXPECT_EQ(lines[256], "256,,下,3,白,黒,OFF,HIGH");

    c.device.page_mode = 1;
    const std::vector<std::string> two = lines_of(pages_to_csv(c, text).substr(3));
    EXPECT_EQ(two[3], "002T,x},下,3,白,黒,OFF,HIGH");
    EXPECT_EQ(two[4], "002B,,下,,白,黒,OFF,");
}

TEST(PageCsv, ExportReadBackGivesTheSameConfigurationInBothPageModes)
{
    for (const int mode : {0, 1}) {
        SCOPED_TRACE(mode);
        const DeviceConfig original = varied_config(mode);
        DeviceConfig base;
        base.device.page_mode = mode;
        const std::string csv = pages_to_csv(original, text);
        const PagesImport r = pages_from_csv(base, csv, text);
        ASSERT_TRUE(r.config) << r.error;
        EXPECT_EQ(*r.config, original);
        int differing = 0;
        for (int s = 0; s < k_page_slots; ++s)
            for (int col = 0; col < k_page_columns; ++col)
                differing += !same_cell(base, original, s, static_cast<PageColumn>(col));
        EXPECT_EQ(r.changed_cells, differing);
        EXPECT_EQ(pages_to_csv(*r.config, text), csv);
    }
}

TEST(PageCsv, AFileNamingSomeCellsChangesExactlyThose)
{
    DeviceConfig base;
    base.device.page_mode = 1;
    // No byte order mark, LF line ends, pages in any order and without their zeros, a blank
    // line, a row of empty fields, a value as it is already, and one with a leading zero.
    const std::string csv =
        "文字色,ページ,自動切換え（秒）,タイトル\n"
        "赤,7B,,\"{外字001},\"\"ボ\"\"\"\n"
        "\n"
        ",,,\n"
        "白,001T,03,\n"
        "青,2t,15,ｱ\n";
    const PagesImport r = pages_from_csv(base, csv, text);
    ASSERT_TRUE(r.config) << r.error;
    DeviceConfig expected = base;
    expected.pages.page_char_color[13] = 1;
    expected.pages.page_title[13] = "\x10\x20,\"\x83\x7B\"";
    expected.pages.page_char_color[2] = 4;
    expected.pages.page_auto_switch_time[1] = 15;
    expected.pages.page_title[2] = "\xB1";
    EXPECT_EQ(*r.config, expected);
    EXPECT_EQ(r.changed_cells, 5);
}

TEST(PageCsv, ASpreadsheetFileInCodePage932IsRead)
{
    // "ページ,文字色\r\n5,赤\r\n" as code page 932.
    const std::string csv = "\x83\x79\x81\x5B\x83\x57,\x95\xB6\x8E\x9A\x90\x46\r\n5,\x90\xD4\r\n";
    const PagesImport r = pages_from_csv(DeviceConfig{}, csv, text);
    ASSERT_TRUE(r.config) << r.error;
    EXPECT_EQ(r.config->pages.page_char_color[4], 1);
    EXPECT_EQ(r.changed_cells, 1);
}

TEST(PageCsv, ARefusedFileNamesLineAndColumnAndChangesNothing)
{
    std::string long_title;
    for (int i = 0; i < 29; ++i) long_title += "亜";
    const struct {
        int mode;
        std::string csv;
        std::string error;
    } cases[] = {
        {0, "", "1 行目: 見出しの行がありません"},
        {0, "ページ,色\r\n1,赤\r\n", "1 行目: 「色」という列はありません"},
        {0, "ページ,文字色,", "1 行目: 見出しのない列があります"},  // at the very end
        {0, "タイトル,文字色\r\n", "1 行目: 「ページ」の列がありません"},
        {0, "ページ,文字色,文字色\r\n", "1 行目: 「文字色」の列が二つあります"},
        {0, "ページ,ページ\r\n", "1 行目: 「ページ」の列が二つあります"},
        {0, "ページ,文字色\r\n1,赤\r\n300,赤\r\n", "3 行目 ページ: 300 はありません"},
        {1, "ページ,文字色\r\n7,赤\r\n", "2 行目 ページ: 7 はありません"},
        {0, "ページ,文字色\r\n,赤\r\n", "2 行目 ページ: 空欄です"},
        {0, "ページ,文字色\r\n1,赤\r\n001,青\r\n", "3 行目 ページ: 001 は 2 行目にもあります"},
        {0, "ページ,文字色\r\n1,赤,青\r\n", "2 行目: 値が 3 個あります（見出しは 2 列）"},
        {0, "ページ,文字色\r\n\r\n1,紫\r\n", "3 行目 文字色: 紫 は一覧にありません"},
        {0, "ページ,自動切換え（秒）\r\n1,100\r\n",
         "2 行目 自動切換え（秒）: 100 は 0～99 の秒数ではありません"},
        {0, "ページ,タイトル\r\n1,♥\r\n",
         "2 行目 タイトル: 「♥」はコード ページ 932 にない文字です"},
        {0, "ページ,タイトル\r\n1," + long_title + "ｱ\r\n",
         "2 行目 タイトル: 59 バイトあります（56 バイトまで）"},
        {1, "ページ,文字レベル\r\n001T,LOW\r\n001B,LOW\r\n",
         "3 行目 文字レベル: 001B にはこの値はありません（ページごとの値は 001T の行にあります）"},
        // A line end inside quotes belongs to the field, which a title cannot hold; the row
        // is named by its first line, a fault in the field by its own.
        {0, "ページ,タイトル\r\n1,\"a\r\nb\"\r\n",
         "2 行目 タイトル: 制御文字 U+000D はタイトルに使えません"},
        {0, "ページ,タイトル\r\n1,\"a\r\nb\"c\r\n", "3 行目: 閉じた引用符 \" の後に文字があります"},
        {0, "ページ,文字色\r\n1,\"赤\r\n2,青\r\n", "2 行目: 引用符 \" が閉じていません"},
        {0, "ページ,文字色\r\n1,\"赤\"x\r\n", "2 行目: 閉じた引用符 \" の後に文字があります"},
        {0, "\xEF\xBB\xBFページ,文字色\r\n1,\x90\xD4\r\n",
         "2 行目: UTF-8 として読めないバイトがあります"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.csv);
        DeviceConfig base;
        base.device.page_mode = c.mode;
        const PagesImport r = pages_from_csv(base, c.csv, text);
        EXPECT_EQ(r.error, c.error);
        EXPECT_FALSE(r.config);
        EXPECT_EQ(r.changed_cells, 0);
    }
}

TEST(PageCsv, ACellAsItIsAlreadyIsNoChangeWhateverItHolds)
{
    // A colour no list has and a title longer than the device takes, from a reply or an old file.
    DeviceConfig base;
    base.pages.page_char_color[0] = 9;
    base.pages.page_title[0] = std::string(58, 'A');
    const PagesImport r = pages_from_csv(base, pages_to_csv(base, text), text);
    ASSERT_TRUE(r.config) << r.error;
    EXPECT_EQ(*r.config, base);
    EXPECT_EQ(r.changed_cells, 0);
}

}  // namespace
}  // namespace velta
