// Protects what the small edits make of typed and pasted text: how a typed or pasted address
// spreads over the parts of the address field, and byte limits in code page 932 that never
// leave half a character behind.
#include "core/device/dialog_text.h"

#include <gtest/gtest.h>

namespace velta {
namespace {

using Parts = std::vector<std::string>;

TEST(DialogText, TypedAndPastedAddressesSpreadOverTheParts)
{
    const std::vector<std::tuple<std::string, std::size_t, std::optional<Parts>>> cases{
        {"192.168.1.10", 4, Parts{"192", "168", "1", "10"}},
        {" 10.0.0.1\n", 4, Parts{"10", "0", "0", "1"}},
        {"127.", 4, Parts{"127", ""}},
        {"1234", 4, Parts{"123", "4"}},
        {"0192", 4, Parts{"192"}},  // typed after the "0" a part opens with
        {"010.000.000.001", 4, Parts{"10", "0", "0", "1"}},
        {"1.2", 2, Parts{"1", "2"}},
        {"1.2.3", 2, std::nullopt},  // more parts than are left after this one
        {"192.168.1.10.5", 4, std::nullopt},
        {"12a", 4, std::nullopt},
        {"１２", 4, std::nullopt},
    };
    for (const auto& [text, left, parts] : cases)
        EXPECT_EQ(split_address_input(text, left), parts) << text;
}

TEST(DialogText, ByteLimitsNeverCutACharacter)
{
    const std::string full_width_123 = "\x82\x50\x82\x51\x82\x52";  // "１２３"
    EXPECT_EQ(cp932_prefix(full_width_123, 3), "\x82\x50");
    EXPECT_EQ(cp932_prefix(full_width_123, 4), "\x82\x50\x82\x51");
    EXPECT_EQ(cp932_prefix("12s", 3), "12s");
    EXPECT_EQ(cp932_prefix("0900412", 5), "09004");
    EXPECT_EQ(cp932_prefix("1\x82", 3), "1");  // a lead byte without its partner is dropped
    EXPECT_EQ(cp932_prefix("\xb1\xb2\xb3\xb4", 3), "\xb1\xb2\xb3");  // half-width kana: one byte
}

}  // namespace
}  // namespace velta
