// Protects the state file: a written state loads back to the same device, a file may hold
// only what it changes, and a bad line is refused whole with its line number.
#include "state_text.h"

#include <gtest/gtest.h>

#include <string>

#include "device_protocol.h"

namespace devsim {
namespace {

TEST(StateText, WrittenStateLoadsBackToTheSameDevice)
{
    DeviceState s = factory_state();
    for (const char* c : {"IDP001T",
                          "PAST25699",
                          "FB002ON",
                          "CWL003L",
                          "CABC00481",
                          "P100",
                          "IDOF",
                          "DSY26",
                          "DSM03",
                          "DSD05",
                          "TSH09",
                          "TSM07",
                          "TSS30",
                          "TSDON",
                          "TSDR5",
                          "TSDSN",
                          "AME",
                          "ADT123",
                          "APB",
                          "ADOF",
                          "AROF",
                          "ACA256255254253252251250249",
                          "RMOPE",
                          "CIR",
                          "POSPAS",
                          "IDPM2",
                          "CFSTS",
                          "CFSBL",
                          "VLBCB",
                          "IDOT000",
                          "IDOB104",
                          "EIA192.168.001.003",
                          "EGA192.168.001.001",
                          "EAA010.000.000.001",
                          "ESMB",
                          "EPN10001",
                          "ECTON",
                          "EKAON",
                          "ETR3",
                          "G005P010I03"})
        ASSERT_EQ(execute_command(s, c), "GO") << c;
    ASSERT_EQ(execute_command(s, "SD310830PAS" + std::string(23 * 7, '0')), "GO");
    ASSERT_EQ(execute_command(s, "GRM160" + std::string(256, 'C')), "GO");
    s.mac_address = "0A-1B-2C-3D-4E-5F";
    s.firmware_version = "2.05";

    const std::string text = state_to_text(s);
    DeviceState loaded = factory_state();
    std::string error;
    ASSERT_TRUE(state_from_text(text, loaded, error)) << error;
    EXPECT_EQ(state_to_text(loaded), text);
    EXPECT_EQ(execute_command(loaded, "REMA"), "EMA0A-1B-2C-3D-4E-5F");
    EXPECT_EQ(execute_command(loaded, "RVN"), "VN2.05");
    EXPECT_EQ(execute_command(loaded, "RFBMMA548"), "FBMMA548" + std::string(256, 'C'));
    EXPECT_EQ(execute_command(loaded, "RP"), "P100");
    EXPECT_EQ(execute_command(loaded, "RIDO"), "IDOF");
    EXPECT_EQ(execute_command(loaded, "RTSS"), "TSS30");
    EXPECT_NE(text.find("\nGRM160"), std::string::npos);
    // Blank glyphs are the factory's and are left out.
    EXPECT_EQ(text.find("\nGRS"), std::string::npos);
}

TEST(StateText, APartialFileChangesOnlyWhatItNames)
{
    DeviceState s = factory_state();
    std::string error;
    ASSERT_TRUE(state_from_text("# a comment\r\n\r\nAME\r\nVN9.99\n", s, error)) << error;
    EXPECT_EQ(execute_command(s, "RAM"), "AME");
    EXPECT_EQ(execute_command(s, "RVN"), "VN9.99");
    EXPECT_EQ(execute_command(s, "RAP"), "APM");
}

TEST(StateText, ABadLineIsNamedAndNothingIsApplied)
{
    DeviceState s = factory_state();
    std::string error;
    EXPECT_FALSE(state_from_text("AME\nAPB\nEMA00-11-22-33-44\n", s, error));
    EXPECT_NE(error.find("line 3"), std::string::npos) << error;
    EXPECT_EQ(execute_command(s, "RAM"), "AMI");
    EXPECT_FALSE(state_from_text("RAM\n", s, error));  // a query is no setting
    EXPECT_FALSE(state_from_text("EMA00-11-22-33-44-5G\n", s, error));
    EXPECT_FALSE(state_from_text("VN1.3\n", s, error));
    EXPECT_EQ(execute_command(s, "REMA"), "EMA00-11-22-33-44-55");
}

}  // namespace
}  // namespace devsim
