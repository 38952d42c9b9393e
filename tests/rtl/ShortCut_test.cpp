#include <gtest/gtest.h>

#include "platform/rtl/ShortCut.h"

using namespace rtl;

TEST(ShortCut, TextsRoundTripWithModifiersInTheClassLibrarysOrder)
{
    const std::pair<TShortCut, const char*> cases[] = {{scCtrl | 'T', "Ctrl+T"},
                                                       {scShift | scCtrl | 'Z', "Shift+Ctrl+Z"},
                                                       {0x7B, "F12"},
                                                       {0x2E, "Del"},
                                                       {scShift | 0x2E, "Shift+Del"},
                                                       {scCtrl | '1', "Ctrl+1"},
                                                       {scAlt | 'I', "Alt+I"},
                                                       {scCtrl | 0x76, "Ctrl+F7"},
                                                       {scCtrl | 0x61, "Ctrl+Num 1"},
                                                       {0x1B, "Esc"},
                                                       {scShift | scCtrl | scAlt | 0x22, "Shift+Ctrl+Alt+PgDn"},
                                                       {0x87, "F24"}};
    for (const auto& [code, text] : cases) {
        EXPECT_EQ(ShortCutToText(code), text);
        EXPECT_EQ(TextToShortCut(text), code) << text;
    }
}

TEST(ShortCut, ParsingIgnoresCaseAndModifierOrder)
{
    EXPECT_EQ(TextToShortCut("ALT+i"), scAlt | 'I');
    EXPECT_EQ(TextToShortCut("ctrl+F9"), scCtrl | 0x78);
    EXPECT_EQ(TextToShortCut("Ctrl+Shift+Z"), TextToShortCut("Shift+Ctrl+Z"));
    EXPECT_EQ(TextToShortCut("Ctrl++"), scCtrl | 0xBB);
}

TEST(ShortCut, EmptyOrUnknownGivesNone)
{
    for (const char* text : {"", "Ctrl+", "Ctrl+Foo", "Hyper+A", "F25", "AB", "Ctrl T"})
        EXPECT_EQ(TextToShortCut(text), 0) << text;
    EXPECT_EQ(ShortCutToText(0), "");
    EXPECT_EQ(ShortCutToText(scCtrl), ""); // a modifier without a key
    EXPECT_EQ(ShortCutToText(scCtrl | 0xFF), "");
}
