// Protects the title conversion between code page 932 and the device's JIS codes.
#include "core/pages/title_encoding.h"

#include <gtest/gtest.h>

#include <string>

#include "core/model/settings_model.h"
#include "core/wire/device_context.h"
#include "core/wire/reply_dispatcher.h"
#include "program/program_context.h"
#include "support/wire_capture.h"

namespace velta {
namespace {

std::string spaces(int n)
{
    std::string s;
    for (int i = 0; i < n; ++i) s += "2121";
    return s;
}

std::string& title(int slot)
{
    return model().config.pages.page_title[static_cast<std::size_t>(slot)];
}

TEST(TitleCodes, ShiftJisToJisAndBack)
{
    const std::pair<unsigned, unsigned> pairs[] = {
        {0x889F, 0x3021}, {0x8140, 0x2121}, {0x82A0, 0x2422},
        {0x8740, 0x2D21}, {0xED40, 0x7921}, {0xEEFC, 0x7C7E},
    };
    for (auto [sjis, jis] : pairs) {
        EXPECT_EQ(sjis_to_jis(sjis), jis) << std::hex << sjis;
        EXPECT_EQ(jis_to_sjis(jis), sjis) << std::hex << jis;
    }
    EXPECT_EQ(sjis_to_jis(0x4142), 0);  // two half-width letters
    EXPECT_EQ(sjis_to_jis(0x817F), 0);  // 0x7F is no trail byte
    EXPECT_EQ(jis_to_sjis(0x2020), 0);
    EXPECT_EQ(jis_to_sjis(0x7F21), 0);
}

TEST(TitleCodes, IbmExtensionsMapToTheirNecTwins)
{
    EXPECT_EQ(ibm_to_nec_extension(0xFA5C), 0xED40);
    EXPECT_EQ(ibm_to_nec_extension(0xFA40), 0xEEEF);
    EXPECT_EQ(ibm_to_nec_extension(0xFA57), 0xEEFC);
    EXPECT_EQ(ibm_to_nec_extension(0xFA80), 0xED63);
    EXPECT_EQ(ibm_to_nec_extension(0xFC4B), 0xEEEC);
    EXPECT_EQ(ibm_to_nec_extension(0xFA4A), 0);  // not mapped, cannot be sent
    EXPECT_EQ(ibm_to_nec_extension(0x889F), 0);
}

TEST(TitleCommand, Examples)
{
    EXPECT_EQ(page_title_command(model().config, 4).bytes, "CA005" + spaces(28) + "\r\n");

    title(0) = "\x88\x9F";  // 亜
    EXPECT_EQ(page_title_command(model().config, 0).bytes, "CA0013021" + spaces(27) + "\r\n");
    EXPECT_EQ(page_title_command(model().config, 0).bytes.size(), 119u);

    std::string t;
    for (unsigned j = 0x3021; j <= 0x303C; ++j) {
        const unsigned s = jis_to_sjis(j);
        t += static_cast<char>(s >> 8);
        t += static_cast<char>(s & 0xFF);
    }
    title(0) = t;
    EXPECT_EQ(page_title_command(model().config, 0).bytes,
              "CA001302130223023302430253026302730283029302A302B302C302D302E302F3030303130323033"
              "303430353036303730383039303A303B303C\r\n");

    title(255) = std::string("\x10\x21", 2) + "\xFA\x5C";
    EXPECT_EQ(page_title_command(model().config, 255).bytes, "CA256A3667921" + spaces(26) + "\r\n");
}

TEST(TitleCommand, UnsendableTitlesAreRefused)
{
    for (const std::string& bad :
         {std::string("A"), std::string("AB"), std::string(58, '\x81'), std::string("\xFA\x4A")}) {
        title(3) = bad;
        EXPECT_FALSE(page_title_command(model().config, 3).ok()) << bad;
    }
}

TEST(TitleReply, DecodesIntoTheSlotAndDropsTrailingSpaces)
{
    WireCapture wire;
    serial_dispatch(program_context(),
                    "CA002" + std::string("3021") + "2422" + spaces(26) + "\r\n");
    EXPECT_EQ(title(1), "\x88\x9F\x82\xA0");
    // Typed trailing full-width spaces come back without them; inner ones stay.
    serial_dispatch(program_context(),
                    "CA002" + std::string("3021") + "2121" + "3021" + spaces(25) + "\r\n");
    EXPECT_EQ(title(1), "\x88\x9F\x81\x40\x88\x9F");
    serial_dispatch(program_context(), "CA003A366" + std::string("7921") + spaces(26) + "\r\n");
    EXPECT_EQ(title(2), std::string("\x10\x21\xED\x40", 4));
    serial_dispatch(program_context(), "CA004" + spaces(28) + "\r\n");
    EXPECT_EQ(title(3), "");
}

TEST(TitleReply, InvalidCodeShortensAndBadRepliesAreIgnored)
{
    WireCapture wire;
    // A code no character has is damage: the title stays as it was.
    serial_dispatch(program_context(),
                    "CA001" + std::string("3021") + "0101" + "3021" + spaces(25) + "\r\n");
    EXPECT_EQ(title(0), "");
    title(5) = "\x88\x9F";
    serial_dispatch(program_context(), "CA257" + spaces(28) + "\r\n");
    serial_dispatch(program_context(), "CA000" + spaces(28) + "\r\n");
    serial_dispatch(program_context(), "CA006" + spaces(27) + "\r\n");      // short
    serial_dispatch(program_context(), "CA006" + spaces(27) + "21x1\r\n");  // not hexadecimal
    EXPECT_EQ(title(5), "\x88\x9F");
}

}  // namespace
}  // namespace velta
