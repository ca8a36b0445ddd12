// Protects the glyph list files: the exact layout and sizes, round trips, the reader that
// blanks bad records but refuses a wrong file whole, and the open/save/clear flows, which
// never touch the titles' unsaved flag.
#include "core/glyphs/glyph_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "core/common/file_io.h"
#include "core/glyphs/glyph_state.h"
#include "core/glyphs/glyph_text.h"
#include "core/model/document.h"
#include "core/model/settings_model.h"
#include "core/wire/link_status.h"
#include "program/program_context.h"
#include "support/box_recorder.h"
#include "support/refused_files.h"
#include "support/wire_capture.h"

namespace velta {
namespace {

namespace fs = std::filesystem;

class GlyphFiles : public ::testing::Test {
protected:
    void SetUp() override
    {
        reset_glyph_state();
        dir_ = fs::temp_directory_path() /
               ("velta_glyph_files_" +
                std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "_" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir_);
        fs::create_directories(dir_);
    }
    void TearDown() override
    {
        fs::remove_all(dir_);
        reset_glyph_state();
    }
    std::string path(const std::string& name) const { return (dir_ / name).string(); }

    // Each slot gets a different pattern so that a shifted read shows.
    static void fill_patterns(GlyphSize size)
    {
        const GlyphSizeInfo& info = glyph_size_info(size);
        for (int s = 0; s < info.slot_count; ++s)
            for (int i = 0; i < info.glyph_digits; ++i)
                glyph_slot(model().glyphs, size, s)[static_cast<std::size_t>(i)] =
                    glyph_value_digit((s * 7 + i) % 16);
    }
    static std::string store(GlyphSize size)
    {
        std::string all;
        for (int s = 0; s < glyph_size_info(size).slot_count; ++s) {
            auto slot = glyph_slot(model().glyphs, size, s);
            all.append(slot.data(), slot.size());
        }
        return all;
    }

    WireCapture wire_;
    fs::path dir_;
};

TEST_F(GlyphFiles, WrittenSizesAndRecordLayout)
{
    EXPECT_EQ(glyph_list_bytes(model().glyphs, GlyphSize::large).size(), 120960u);
    EXPECT_EQ(glyph_list_bytes(model().glyphs, GlyphSize::medium).size(), 122880u);
    EXPECT_EQ(glyph_list_bytes(model().glyphs, GlyphSize::small).size(), 110592u);
    fill_patterns(GlyphSize::medium);
    const std::string bytes = glyph_list_bytes(model().glyphs, GlyphSize::medium);
    EXPECT_EQ(bytes.substr(0, 9), "0\r\n1\r\n2\r\n");
    // Slot 1 starts at record 256 with its own first digit; spare bytes are not written.
    EXPECT_EQ(bytes.substr(256 * 3, 3), "7\r\n");
}

TEST_F(GlyphFiles, RoundTripOfEverySizeLeavesTheTitlesUnsavedFlag)
{
    for (GlyphSize size : k_glyph_sizes) {
        reset_settings_model();
        fill_patterns(size);
        const std::string before = store(size);
        const std::string file = path("all" + std::string(glyph_file_extension(size)));
        model().config.pages.page_title[0] = "UNSAVED";
        ASSERT_TRUE(write_glyph_list(model().glyphs, size, file));
        EXPECT_EQ(fs::file_size(file), glyph_list_bytes(model().glyphs, size).size());
        reset_settings_model();
        model().config.pages.page_title[0] = "UNSAVED";
        ASSERT_EQ(read_glyph_list(model().glyphs, size, file), GlyphReadResult::read);
        EXPECT_EQ(store(size), before);
        EXPECT_TRUE(has_unsaved_changes(model().config));
    }
}

TEST_F(GlyphFiles, LfOnlyAndBlankLinesReadTheSame)
{
    fill_patterns(GlyphSize::large);
    const std::string before = store(GlyphSize::large);
    std::string loose;
    for (char c : glyph_list_bytes(model().glyphs, GlyphSize::large)) {
        if (c == '\r')
            continue;
        loose.push_back(c);
        if (c == '\n' && loose.size() % 7 == 0)
            loose.append("\n  \r\n");
    }
    reset_settings_model();
    const GlyphListParse parsed = parse_glyph_list(GlyphSize::large, "\n" + loose + "\n\n");
    ASSERT_EQ(parsed.error, "");
    ASSERT_TRUE(write_file_atomically(path("loose.tll"), loose));
    ASSERT_EQ(read_glyph_list(model().glyphs, GlyphSize::large, path("loose.tll")),
              GlyphReadResult::read);
    EXPECT_EQ(store(GlyphSize::large), before);
}

TEST_F(GlyphFiles, BadRecordsAreReadAsBlankAndNamed)
{
    fill_patterns(GlyphSize::large);
    std::string garbled = glyph_list_bytes(model().glyphs, GlyphSize::large);
    garbled[3 * 10] = 'G';    // line 11
    garbled[3 * 20] = ' ';    // line 21: a blank record keeps its place
    garbled[3 * 600] = '\n';  // line 601, in slot 1
    std::string two_digits = glyph_list_bytes(model().glyphs, GlyphSize::large);
    two_digits.insert(3 * 5 + 1, "F");  // line 6 holds two characters

    const std::pair<std::string, std::vector<std::size_t>> cases[] = {{garbled, {11, 21, 601}},
                                                                      {two_digits, {6}}};
    for (const auto& [bytes, lines] : cases) {
        fill_patterns(GlyphSize::large);
        std::string expected = store(GlyphSize::large);
        for (std::size_t line : lines) expected[line - 1 + (line > 576 ? 4 : 0)] = '0';
        ASSERT_TRUE(write_file_atomically(path("garbled.tll"), bytes));
        reset_settings_model();
        std::string message;
        EXPECT_EQ(read_glyph_list(model().glyphs, GlyphSize::large, path("garbled.tll"), &message),
                  GlyphReadResult::read_with_blanks);
        EXPECT_EQ(parse_glyph_list(GlyphSize::large, bytes).bad_lines, lines);
        EXPECT_EQ(message, blanked_records_text(lines));
        EXPECT_EQ(store(GlyphSize::large), expected);
    }
    EXPECT_EQ(blanked_records_text({11, 21, 601}),
              "外字ファイルの 11, 21, 601 行目は外字のデータではありません。"
              "その部分を空白にして読み込みました。");
    std::vector<std::size_t> many(12);
    for (std::size_t i = 0; i < many.size(); ++i) many[i] = i + 1;
    EXPECT_NE(blanked_records_text(many).find("1, 2, 3, 4, 5, 6, 7, 8, 9, 10 ほか 2 行 行目"),
              std::string::npos);
}

TEST_F(GlyphFiles, WrongSizeFilesAreRefusedAndTheStoreStays)
{
    fill_patterns(GlyphSize::small);
    const std::string good = glyph_list_bytes(model().glyphs, GlyphSize::small);
    fill_patterns(GlyphSize::large);
    const std::string before = store(GlyphSize::large);

    struct Case {
        std::string bytes;
        std::string says;
    };
    const Case cases[] = {
        {good, "足りません"},  // a small file in the large list
        {glyph_list_bytes(model().glyphs, GlyphSize::large) + "0\r\n", "多すぎます"},
        {"", "足りません"},
    };
    for (const Case& c : cases) {
        ASSERT_TRUE(write_file_atomically(path("bad.tll"), c.bytes));
        std::string error;
        EXPECT_EQ(read_glyph_list(model().glyphs, GlyphSize::large, path("bad.tll"), &error),
                  GlyphReadResult::refused);
        EXPECT_NE(error.find(c.says), std::string::npos) << error;
        EXPECT_EQ(store(GlyphSize::large), before);
    }
    EXPECT_EQ(read_glyph_list(model().glyphs, GlyphSize::large, path("missing.tll")),
              GlyphReadResult::cannot_open);
}

TEST_F(GlyphFiles, OpenFlowQuestionsRefusalAndFileName)
{
    BoxRecorder boxes;
    fill_patterns(GlyphSize::medium);
    ASSERT_TRUE(write_glyph_list(model().glyphs, GlyphSize::medium, path("m.tlm")));
    ASSERT_TRUE(write_file_atomically(path("broken.tlm"), "0\r\nX\r\n"));
    std::string one_bad = glyph_list_bytes(model().glyphs, GlyphSize::medium);
    one_bad[3 * 4] = '?';
    ASSERT_TRUE(write_file_atomically(path("one_bad.tlm"), one_bad));
    reset_settings_model();

    // Unsaved titles are not the glyph files' business: no question.
    model().config.pages.page_title[0] = "UNSAVED";
    EXPECT_TRUE(glyph_file_open(program_context(), GlyphSize::medium,
                                [&] { return std::optional<std::string>(path("one_bad.tlm")); }));
    EXPECT_EQ(boxes.boxes().back().kind, BoxKind::warning);
    EXPECT_EQ(boxes.last_text(), blanked_records_text({5}));
    EXPECT_EQ(boxes.boxes().size(), 1u);
    EXPECT_TRUE(has_unsaved_changes(model().config));
    EXPECT_EQ(glyph_list_file_name(GlyphSize::medium), path("one_bad.tlm"));

    // Unsaved glyph edits: the question comes first, No stops before the dialog.
    glyph_state().glyph_edited = 1;
    boxes.answer_next(BoxAnswer::no);
    int asked = 0;
    auto choose = [&](std::string p) {
        return [&asked, p] {
            ++asked;
            return std::optional<std::string>(p);
        };
    };
    EXPECT_FALSE(glyph_file_open(program_context(), GlyphSize::medium, choose(path("m.tlm"))));
    EXPECT_EQ(boxes.last_text(), "外字データを保存せずに別のファイルを開きますか？");
    EXPECT_EQ(boxes.boxes().back().caption, "VELTA");
    EXPECT_EQ(boxes.boxes().back().buttons, BoxButtons::yes_no);
    EXPECT_EQ(asked, 0);
    EXPECT_EQ(glyph_list_file_name(GlyphSize::medium), path("one_bad.tlm"));

    EXPECT_FALSE(glyph_file_open(program_context(), GlyphSize::medium, choose(path("broken.tlm"))));
    EXPECT_EQ(boxes.boxes().back().kind, BoxKind::warning);
    EXPECT_NE(boxes.last_text().find("足りません"), std::string::npos);
    EXPECT_EQ(glyph_list_file_name(GlyphSize::medium), path("one_bad.tlm"));
    EXPECT_EQ(glyph_state().glyph_edited, 1);

    EXPECT_FALSE(glyph_file_open(program_context(), GlyphSize::medium, choose(path("none.tlm"))));
    EXPECT_EQ(boxes.last_text(), "Can't file open");

    EXPECT_TRUE(glyph_file_open(program_context(), GlyphSize::medium, choose(path("m.tlm"))));
    EXPECT_EQ(glyph_list_file_name(GlyphSize::medium), path("m.tlm"));
    EXPECT_EQ(glyph_slot(model().glyphs, GlyphSize::medium, 1)[0], '7');
    EXPECT_EQ(glyph_state().glyph_edited, 0);

    // Busy with a read: nothing at all.
    link_status().read_pending = 1;
    const auto before = boxes.boxes().size();
    EXPECT_FALSE(glyph_file_open(program_context(), GlyphSize::medium, choose(path("m.tlm"))));
    EXPECT_EQ(boxes.boxes().size(), before);
}

TEST_F(GlyphFiles, AFolderOrAnOversizedFileIsRefusedWithTheReasonAndTheStoreStays)
{
    BoxRecorder boxes;
    glyph_slot(model().glyphs, GlyphSize::small, 0)[0] = 'F';
    for (const RefusedFile& r : make_refused_files(dir_, ".tls", k_glyph_file_max_bytes)) {
        boxes.clear();
        EXPECT_FALSE(glyph_file_open(program_context(), GlyphSize::small,
                                     [&] { return std::optional(r.path); }));
        EXPECT_EQ(boxes.last_text(), "Can't file open");
        EXPECT_EQ(boxes.boxes().back().detail, r.reason);
        EXPECT_EQ(glyph_slot(model().glyphs, GlyphSize::small, 0)[0], 'F');
    }
}

TEST_F(GlyphFiles, SaveFlowsKeepOneNamePerSize)
{
    BoxRecorder boxes;
    const GlyphPathChooser cancel = [] { return std::optional<std::string>(); };
    // No file of the size yet: "保存" is Save As, and a cancel writes nothing.
    EXPECT_FALSE(glyph_file_save(program_context(), GlyphSize::large, cancel));
    EXPECT_TRUE(boxes.boxes().empty());

    glyph_file_save_as(program_context(), GlyphSize::small,
                       [&] { return std::optional<std::string>(path("s")); });
    EXPECT_EQ(glyph_list_file_name(GlyphSize::small), path("s.tls"));
    EXPECT_EQ(fs::file_size(path("s.tls")), 110592u);
    // The large list has no file of its own yet, so it never writes over the small one.
    EXPECT_FALSE(glyph_file_save(program_context(), GlyphSize::large, cancel));
    EXPECT_EQ(fs::file_size(path("s.tls")), 110592u);

    glyph_file_save_as(program_context(), GlyphSize::large,
                       [&] { return std::optional<std::string>(path("big.tll")); });
    EXPECT_EQ(glyph_list_file_name(GlyphSize::large), path("big.tll"));
    glyph_file_save_as(program_context(), GlyphSize::large,
                       [&] { return std::optional<std::string>(path("up.TLL")); });
    EXPECT_EQ(glyph_list_file_name(GlyphSize::large), path("up.TLL"));

    glyph_slot(model().glyphs, GlyphSize::large, 0)[0] = 'F';
    EXPECT_TRUE(glyph_file_save(program_context(), GlyphSize::large, cancel));
    EXPECT_EQ(read_file_bytes(path("up.TLL"))->substr(0, 3), "F\r\n");

    // A target that cannot be written: error box, name unchanged.
    glyph_file_save_as(program_context(), GlyphSize::large,
                       [&] { return std::optional<std::string>(path("no/such/dir/x.tll")); });
    EXPECT_EQ(boxes.last_text(), "Can't file open");
    EXPECT_EQ(boxes.boxes().back().kind, BoxKind::error);
    EXPECT_EQ(glyph_list_file_name(GlyphSize::large), path("up.TLL"));
}

TEST_F(GlyphFiles, BufferClearAnsweredNoKeepsEverything)
{
    BoxRecorder boxes;
    fill_patterns(GlyphSize::large);
    fill_patterns(GlyphSize::small);
    glyph_list_file_name(GlyphSize::large) = "keep.tll";
    glyph_state().glyph_edited = 1;
    boxes.answer_next(BoxAnswer::no);
    const std::string before = store(GlyphSize::large);
    EXPECT_FALSE(glyph_buffer_clear(program_context(), GlyphSize::large, this));
    EXPECT_EQ(boxes.last_text(), "データを保存せずに新規作成しますか？");
    EXPECT_EQ(boxes.boxes().back().caption, "新規作成");
    EXPECT_EQ(boxes.boxes().back().owner, this);
    EXPECT_EQ(store(GlyphSize::large), before);
    EXPECT_EQ(glyph_list_file_name(GlyphSize::large), "keep.tll");

    EXPECT_TRUE(glyph_buffer_clear(program_context(), GlyphSize::large, this));
    EXPECT_EQ(store(GlyphSize::large), std::string(70 * 580, '0'));
    EXPECT_TRUE(glyph_list_file_name(GlyphSize::large).empty());
    EXPECT_EQ(glyph_state().glyph_edited, 0);
    EXPECT_NE(store(GlyphSize::small).substr(0, 5), "00000");  // other sizes untouched

    // As its file holds it and not edited: no question.
    mark_glyph_list_saved(model().glyphs, GlyphSize::small);
    const auto count = boxes.boxes().size();
    EXPECT_TRUE(glyph_buffer_clear(program_context(), GlyphSize::small, this));
    EXPECT_EQ(boxes.boxes().size(), count);
}

}  // namespace
}  // namespace velta
