// Protects the simulator's command parser and reply formatter: every setting read back in the
// layout of its set command, factory values, and the refusal of malformed commands.
#include <gtest/gtest.h>

#include <string>

#include "device_protocol.h"
#include "device_state.h"

namespace devsim {
namespace {

std::string repeat(const std::string& s, int n)
{
    std::string out;
    for (int i = 0; i < n; ++i) out += s;
    return out;
}

struct RoundTrip {
    const char* set;
    const char* query;
    std::string reply;
};

TEST(DeviceProtocol, EverySettingReadsBackInItsSetLayout)
{
    const std::string sd =
        "SD05" + std::string("0830PAS") + "2359256" + "1200000" + repeat("0000001", 21);
    const std::string title = "CA007" + std::string("3021A365") + repeat("2121", 26);
    const RoundTrip cases[] = {
        {title.c_str(), "RCA007", title},
        {sd.c_str(), "RSD05", sd},
        {"ACA010002003004005006007256", "RACA", "ACA010002003004005006007256"},
        {"RCA001001001001001001001002", "RACA", "ACA001001001001001001001002"},
        {"ADON", "RAD", "ADON"},
        {"ADOF", "RAD", "ADOF"},
        {"ADT999", "RADT", "ADT999"},
        {"AME", "RAM", "AME"},
        {"APB", "RAP", "APB"},
        {"AROF", "RAR", "AROF"},
        {"CFSTL", "RCFST", "CFSTL"},
        {"CFSBS", "RCFSB", "CFSBS"},
        {"CIR", "RCI", "CIR"},
        {"IDOB000", "RIDOB", "IDOB000"},
        {"IDOT104", "RIDOT", "IDOT104"},
        {"IDPM2", "RIDPM", "IDPM2"},
        {"POSPAS", "RPOSP", "POSPAS"},
        {"POSP010", "RPOSP", "POSP010"},
        {"RMBIT", "RRM", "RMBIT"},
        {"RMOPE", "RRM", "RMOPE"},
        {"RMBIN", "RRM", "RMBIN"},
        {"TSDON", "RTSD", "TSDON"},
        {"TSDR8", "RTSDR", "TSDR8"},
        {"TSDSN", "RTSDS", "TSDSN"},
        {"VLBCB", "RVLBC", "VLBCB"},
        {"EIA192.168.001.003", "REIA", "EIA192.168.001.003"},
        {"EGA010.000.000.254", "REGA", "EGA010.000.000.254"},
        {"EAA255.255.255.000", "REAA", "EAA255.255.255.000"},
        {"ESMA", "RESM", "ESMA"},
        {"EPN10001", "REPN", "EPN10001"},
        {"ECTON", "RECT", "ECTON"},
        {"EKAON", "REKA", "EKAON"},
        {"ETR1", "RETR", "ETR1"},
        {"P128", "RP", "P128"},
        {"PAS", "RP", "PAS"},
        {"IDOF", "RIDO", "IDOF"},
        {"DSY26", "RDSY", "DSY26"},
        {"DSM12", "RDSM", "DSM12"},
        {"DSD31", "RDSD", "DSD31"},
        {"TSH23", "RTSH", "TSH23"},
        {"TSM59", "RTSM", "TSM59"},
        {"TSS07", "RTSS", "TSS07"},
    };
    for (const RoundTrip& c : cases) {
        DeviceState s = factory_state();
        EXPECT_EQ(execute_command(s, c.set), "GO") << c.set;
        EXPECT_EQ(execute_command(s, c.query), c.reply) << c.set;
    }
}

TEST(DeviceProtocol, PageSettingsOneAtATimeAndAllAtOnce)
{
    DeviceState s = factory_state();
    EXPECT_EQ(execute_command(s, "IDP002T"), "GO");
    EXPECT_EQ(execute_command(s, "RIDP"), "IDPBT" + std::string(254, 'B'));
    EXPECT_EQ(execute_command(s, "IDP" + repeat("TB", 128)), "GO");
    EXPECT_EQ(execute_command(s, "RIDP"), "IDP" + repeat("TB", 128));

    EXPECT_EQ(execute_command(s, "FB256ON"), "GO");
    EXPECT_EQ(execute_command(s, "RFB"), "FB" + std::string(255, 'F') + "N");
    EXPECT_EQ(execute_command(s, "FB" + std::string(256, 'N')), "GO");
    EXPECT_EQ(execute_command(s, "RFB"), "FB" + std::string(256, 'N'));

    EXPECT_EQ(execute_command(s, "CWL001L"), "GO");
    EXPECT_EQ(execute_command(s, "RCWL"), "CWLL" + std::string(255, 'H'));

    // Colours go in as pairs and come back as two separate rows.
    EXPECT_EQ(execute_command(s, "CABC00381"), "GO");
    EXPECT_EQ(execute_command(s, "RCC"), "CC77" + std::string("8") + std::string(253, '7'));
    EXPECT_EQ(execute_command(s, "RCBC"), "CBC00" + std::string("1") + std::string(253, '0'));
    EXPECT_EQ(execute_command(s, "CABC" + repeat("12", 256)), "GO");
    EXPECT_EQ(execute_command(s, "RCC"), "CC" + std::string(256, '1'));
    EXPECT_EQ(execute_command(s, "RCBC"), "CBC" + std::string(256, '2'));

    EXPECT_EQ(execute_command(s, "PAST00199"), "GO");
    EXPECT_EQ(execute_command(s, "RPAST"), "PAST99" + repeat("03", 255));
    // The two-line page mode lists 128 pages: the rest keep their times.
    EXPECT_EQ(execute_command(s, "PAST" + repeat("10", 128)), "GO");
    EXPECT_EQ(execute_command(s, "RPAST"), "PAST" + repeat("10", 128) + repeat("03", 128));
    EXPECT_EQ(execute_command(s, "PAST" + repeat("00", 256)), "GO");
    EXPECT_EQ(execute_command(s, "RPAST"), "PAST" + repeat("00", 256));
}

TEST(DeviceProtocol, FactoryRepliesMatchTheToolDefaults)
{
    DeviceState s = factory_state();
    EXPECT_EQ(execute_command(s, "RCA256"), "CA256" + repeat("2121", 28));
    EXPECT_EQ(execute_command(s, "RIDP"), "IDP" + std::string(256, 'B'));
    EXPECT_EQ(execute_command(s, "RPAST"), "PAST" + repeat("03", 256));
    EXPECT_EQ(execute_command(s, "RCC"), "CC" + std::string(256, '7'));
    EXPECT_EQ(execute_command(s, "RCBC"), "CBC" + std::string(256, '0'));
    EXPECT_EQ(execute_command(s, "RCWL"), "CWL" + std::string(256, 'H'));
    EXPECT_EQ(execute_command(s, "RACA"), "ACA001002003004005006007008");
    EXPECT_EQ(execute_command(s, "RADT"), "ADT010");
    EXPECT_EQ(execute_command(s, "RIDOT"), "IDOT004");
    EXPECT_EQ(execute_command(s, "RIDOB"), "IDOB100");
    EXPECT_EQ(execute_command(s, "RCFST"), "CFSTM");
    EXPECT_EQ(execute_command(s, "RTSDR"), "TSDR1");
    EXPECT_EQ(execute_command(s, "RTSDS"), "TSDSS");
    EXPECT_EQ(execute_command(s, "RESM"), "ESMC");
    EXPECT_EQ(execute_command(s, "RETR"), "ETR6");
    EXPECT_EQ(execute_command(s, "REPN"), "EPN09004");
    EXPECT_EQ(execute_command(s, "REIA"), "EIA000.000.000.000");
    // Entry n of every day at n-1 o'clock, page off.
    std::string day = "SD31";
    for (int h = 0; h < 24; ++h)
        day += std::string(h < 10 ? "0" : "") + std::to_string(h) + "00000";
    EXPECT_EQ(execute_command(s, "RSD31"), day);
    const std::string mac = execute_command(s, "REMA");
    EXPECT_EQ(mac.size(), 20u);
    EXPECT_EQ(execute_command(s, "RVN").size(), 6u);
}

TEST(DeviceProtocol, GlyphsRegisterAndReadByCode)
{
    DeviceState s = factory_state();
    const std::string small(144, 'F');
    EXPECT_EQ(execute_command(s, "GRS215" + small), "GO");
    // Slot 214 has the code A621.
    EXPECT_EQ(execute_command(s, "RFBMSA621"), "FBMSA621" + small);
    EXPECT_EQ(execute_command(s, "RFBMSA64A"), "FBMSA64A" + std::string(144, '0'));

    const std::string large = repeat("0123456789AB", 48);
    EXPECT_EQ(execute_command(s, "GRL070" + large), "GO");
    EXPECT_EQ(execute_command(s, "RFBMLA44C"), "FBMLA44C" + large);  // slot 69
    const std::string medium = repeat("8", 256);
    EXPECT_EQ(execute_command(s, "GRM027" + medium), "GO");
    EXPECT_EQ(execute_command(s, "RFBMMA421"), "FBMMA421" + medium);  // slot 26
    // The sizes are separate stores under the same codes.
    EXPECT_EQ(execute_command(s, "RFBMSA421"), "FBMSA421" + std::string(144, '0'));
    // A character code that is no glyph: a blank bitmap of the size asked.
    EXPECT_EQ(execute_command(s, "RFBMM3021"), "FBMM3021" + std::string(256, '0'));

    EXPECT_EQ(execute_command(s, "GRL071" + large), "E3");  // 70 large slots
    EXPECT_EQ(execute_command(s, "GRM001" + small), "E3");  // wrong length for medium
    EXPECT_EQ(execute_command(s, "GRS001" + std::string(143, 'F') + "f"), "E3");
}

TEST(DeviceProtocol, GlyphInsertionPutsTheGlyphCodeIntoTheTitle)
{
    DeviceState s = factory_state();
    EXPECT_EQ(execute_command(s, "G012P003I05"), "GO");
    // Glyph number 12 is slot 11, code A370.
    EXPECT_EQ(execute_command(s, "RCA003"),
              "CA003" + repeat("2121", 4) + "A370" + repeat("2121", 23));
    EXPECT_EQ(execute_command(s, "G256P256I28"), "GO");
    EXPECT_EQ(execute_command(s, "RCA256"), "CA256" + repeat("2121", 27) + "A64A");
    EXPECT_EQ(execute_command(s, "G001P001I29"), "E3");
    EXPECT_EQ(execute_command(s, "G000P001I01"), "E3");
}

TEST(DeviceProtocol, GlyphCodesFollowTheirBlocks)
{
    EXPECT_EQ(glyph_code(0), 0xA365);
    EXPECT_EQ(glyph_code(25), 0xA37E);
    EXPECT_EQ(glyph_code(26), 0xA421);
    EXPECT_EQ(glyph_code(119), 0xA47E);
    EXPECT_EQ(glyph_code(120), 0xA521);
    EXPECT_EQ(glyph_code(213), 0xA57E);
    EXPECT_EQ(glyph_code(214), 0xA621);
    EXPECT_EQ(glyph_code(255), 0xA64A);
    EXPECT_EQ(glyph_code(256), -1);
    for (int slot = 0; slot < 256; ++slot) EXPECT_EQ(glyph_slot_of_code(glyph_code(slot)), slot);
    EXPECT_EQ(glyph_slot_of_code(0xA420), -1);
    EXPECT_EQ(glyph_slot_of_code(0xA47F), -1);
    EXPECT_EQ(glyph_slot_of_code(0x3021), -1);
}

TEST(DeviceProtocol, MalformedCommandsAreRefusedAndChangeNothing)
{
    const char* bad[] = {
        "",
        "GO",
        "XYZ",
        "RCA000",
        "RCA257",
        "CA001",
        "IDP001X",
        "IDP"
        "TTT",
        "FB001OX",
        "FB001F",
        "CWL000L",
        "CABC00190",
        "PAST0010",
        "PAST001100",
        "P000",
        "P257",
        "IDOX",
        "DSM13",
        "DSM00",
        "DSD32",
        "TSH24",
        "TSM60",
        "TSS60",
        "TSA0",
        "TSDR0",
        "TSDR9",
        "TSDOX",
        "AMX",
        "ADT002",
        "ADT01",
        "ACA000002003004005006007008",
        "ACA00100200300400500600700",
        "RMBIX",
        "RMBINX",
        "CIX",
        "POSP000",
        "POSPA",
        "IDPM3",
        "CFSTX",
        "IDOT105",
        "VLBCX",
        "EIA256.000.000.000",
        "EIA192,168.001.003",
        "ESMD",
        "EPN65536",
        "EPN0900",
        "ECTOX",
        "EKAO",
        "ETR7",
        "ETR0",
        "SD00",
        "RSD00",
        "RSD32",
        "RFBMX A621",
        "RFBMSa621",
        "gO",
        "G001P001I00",
    };
    const DeviceState factory = factory_state();
    const std::string before = execute_command(const_cast<DeviceState&>(factory), "RIDP");
    for (const char* command : bad) {
        DeviceState s = factory_state();
        EXPECT_EQ(execute_command(s, command), "E3") << command;
        EXPECT_EQ(execute_command(s, "RIDP"), before);
    }

    // A schedule day with one bad entry is refused whole.
    DeviceState s = factory_state();
    const std::string before_day = execute_command(s, "RSD02");
    EXPECT_EQ(execute_command(s, "SD02" + repeat("0830PAS", 23) + "2460001"), "E3");
    EXPECT_EQ(execute_command(s, "RSD02"), before_day);
    // So is a title with a code that is neither a JIS character nor a custom character.
    EXPECT_EQ(execute_command(s, "CA001" + repeat("2121", 27) + "7F21"), "E3");
    EXPECT_EQ(execute_command(s, "CA001" + repeat("2121", 27) + "2120"), "E3");
    EXPECT_EQ(execute_command(s, "CA001" + repeat("2121", 27) + "a366"), "E3");
    EXPECT_EQ(execute_command(s, "CA001" + repeat("2121", 28) + "21"), "E3");
    EXPECT_EQ(execute_command(s, "RCA001"), "CA001" + repeat("2121", 28));
}

TEST(DeviceProtocol, HeadsThatArePrefixesOfOthersStayApart)
{
    DeviceState s = factory_state();
    EXPECT_EQ(execute_command(s, "PAST25699"), "GO");  // not "P"
    EXPECT_EQ(execute_command(s, "RP"), "P001");
    EXPECT_EQ(execute_command(s, "IDPM2"), "GO");  // not "IDP"
    EXPECT_EQ(execute_command(s, "RIDP"), "IDP" + std::string(256, 'B'));
    EXPECT_EQ(execute_command(s, "IDOT010"), "GO");  // not "IDO"
    EXPECT_EQ(execute_command(s, "RIDO"), "IDON");
    EXPECT_EQ(execute_command(s, "CABC00100"), "GO");  // not "CA"
    EXPECT_EQ(execute_command(s, "RCA001"), "CA001" + repeat("2121", 28));
    // "RCA" with 24 digits sets the connectors; with 3 it asks for a title.
    EXPECT_EQ(execute_command(s, "RCA002"), "CA002" + repeat("2121", 28));
    EXPECT_EQ(execute_command(s, "RACA"), "ACA001002003004005006007008");
}

TEST(DeviceProtocol, ThirtySecondCorrectionRoundsToTheMinute)
{
    DeviceState s = factory_state();
    for (const char* c : {"DSY23", "DSM12", "DSD31", "TSH23", "TSM59", "TSS30", "TSA"})
        ASSERT_EQ(execute_command(s, c), "GO") << c;
    EXPECT_EQ(execute_command(s, "RDSY"), "DSY24");
    EXPECT_EQ(execute_command(s, "RDSM"), "DSM01");
    EXPECT_EQ(execute_command(s, "RDSD"), "DSD01");
    EXPECT_EQ(execute_command(s, "RTSH"), "TSH00");
    EXPECT_EQ(execute_command(s, "RTSS"), "TSS00");

    for (const char* c : {"DSY24", "DSM02", "DSD28", "TSH23", "TSM59", "TSS45", "TSA"})
        ASSERT_EQ(execute_command(s, c), "GO") << c;
    EXPECT_EQ(execute_command(s, "RDSD"), "DSD29");  // 2024 is a leap year
    EXPECT_EQ(execute_command(s, "RDSM"), "DSM02");

    for (const char* c : {"TSM10", "TSS29", "TSA"}) ASSERT_EQ(execute_command(s, c), "GO") << c;
    EXPECT_EQ(execute_command(s, "RTSM"), "TSM10");
    EXPECT_EQ(execute_command(s, "RTSS"), "TSS00");
}

}  // namespace
}  // namespace devsim
