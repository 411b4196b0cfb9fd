// Logging-screen input decoding: every key of the key map by state, review and menu mode; the pause key settings;
// screen buttons, menu items, channel boxes and map buttons; the popup menu resources.
#include <gtest/gtest.h>

#include "core/core.h"
#include "core/settings.h"
#include "logscreen/logscreen.h"
#include "map/map_state.h"

namespace {

const int N = -99;

struct KeyCase {
    int key;
    int state;   // nRecordingState
    int review;  // bMapReviewMode
    int menu;    // menu mode (popup handles set)
    int button;
    int code;
};

class LogScreenKeys : public ::testing::TestWithParam<KeyCase> {};

TEST_P(LogScreenKeys, KeyGivesButtonOrCode)
{
    const KeyCase &c = GetParam();
    nInstrumentType = INSTRUMENT_EM61MK2;
    nActiveScreen = 1;
    nRecordingState = c.state;
    bMapReviewMode = c.review;
    hPopupMenu = hPopupSubMenu = c.menu ? reinterpret_cast<HMENU>(1) : nullptr;
    nDefaultButton = 2;
    ScreenLogInput in = DecodeScreenLogInput(WM_KEYDOWN, (WPARAM)c.key);
    EXPECT_EQ(in.nButton, c.button) << "key " << c.key;
    EXPECT_EQ(in.nCode, c.code) << "key " << c.key;
    hPopupMenu = hPopupSubMenu = nullptr;
    bMapReviewMode = 0;
}

// state 0 monitoring, -1 stand-by.
INSTANTIATE_TEST_SUITE_P(
    Table, LogScreenKeys,
    ::testing::Values(
        KeyCase{VK_RETURN, 0, 0, 0, 2, N},  // the default button
        KeyCase{0x25, 0, 0, 0, N, 113}, KeyCase{'L', 0, 0, 0, N, 113}, KeyCase{'L', 0, 0, 1, N, 128},
        KeyCase{'L', 0, 1, 1, N, N}, KeyCase{0x25, 0, 0, 1, N, N},
        KeyCase{0x26, 0, 0, 1, N, 115}, KeyCase{'P', -1, 1, 0, N, 115},
        KeyCase{0x27, 0, 0, 0, N, 114}, KeyCase{'R', 0, 0, 0, N, 114}, KeyCase{'R', -1, 0, 1, N, 129},
        KeyCase{0x27, 0, 0, 1, N, N},
        KeyCase{0x28, 0, 0, 0, N, 116}, KeyCase{'D', 0, 0, 0, N, 116}, KeyCase{'D', 0, 0, 1, N, 126},
        KeyCase{0x28, 0, 0, 1, N, N},
        // Plus/equals and keypad plus zoom in, minus/underscore and keypad minus zoom out, in review only;
        // Execute (0x2B) and Insert (0x2D) do nothing.
        KeyCase{VK_OEM_PLUS, 0, 1, 0, N, 117}, KeyCase{VK_ADD, 0, 1, 0, N, 117},
        KeyCase{VK_OEM_PLUS, 0, 0, 0, N, N},
        KeyCase{VK_OEM_MINUS, 0, 1, 0, N, 118}, KeyCase{VK_SUBTRACT, 0, 1, 0, N, 118},
        KeyCase{VK_OEM_MINUS, 0, 0, 0, N, N},
        KeyCase{0x2B, 0, 1, 0, N, N}, KeyCase{0x2D, 0, 1, 0, N, N},
        KeyCase{'A', 0, 0, 0, N, 105}, KeyCase{'A', 0, 1, 0, N, N},
        KeyCase{'B', -1, 0, 0, N, 106},
        KeyCase{'C', -1, 0, 0, N, 103}, KeyCase{'C', 0, 0, 0, N, N}, KeyCase{'C', -1, 1, 0, N, N},
        KeyCase{'E', 0, 1, 0, N, 121}, KeyCase{'E', -1, 0, 0, N, 101}, KeyCase{'E', 0, 0, 0, N, N},
        KeyCase{'F', 0, 1, 0, N, 119}, KeyCase{'F', 0, 0, 0, 0, N}, KeyCase{'F', -1, 0, 0, N, N},
        KeyCase{'G', -1, 0, 0, 0, N}, KeyCase{0x71, -1, 0, 0, 0, N}, KeyCase{'G', 0, 0, 0, N, N},
        KeyCase{'I', 0, 0, 0, N, 120}, KeyCase{'I', 0, 1, 0, N, N},
        KeyCase{'M', 0, 0, 0, 3, N}, KeyCase{0x72, -1, 0, 0, 3, N}, KeyCase{'M', 0, 1, 0, N, N},
        KeyCase{'N', -1, 0, 0, N, 102}, KeyCase{'N', 0, 0, 0, N, N},
        KeyCase{'O', 0, 0, 0, N, 107},
        KeyCase{'Q', -1, 0, 0, 1, N}, KeyCase{'Q', 0, 0, 0, N, N},
        KeyCase{'S', 0, 0, 0, N, 110}, KeyCase{'T', 0, 0, 0, N, 127}, KeyCase{'U', 0, 0, 0, N, 104},
        KeyCase{'V', 0, 0, 0, N, 130}, KeyCase{'W', 0, 0, 0, N, 112},
        KeyCase{'X', 0, 1, 0, 2, N}, KeyCase{'X', -1, 0, 0, 2, N},
        KeyCase{'Y', 0, 0, 0, N, 111}, KeyCase{'Y', 0, 1, 0, N, N},
        KeyCase{'Z', 0, 0, 0, N, N}));

struct PauseCase {
    int setting;
    int key;
    int pauses;
};

TEST(LogScreenPauseKey, OnlyThePauseKeyCountsWhileLogging)
{
    const PauseCase aCases[] = {{0, 'Z', 1}, {0, VK_RETURN, 1}, {1, VK_RETURN, 1}, {1, 'P', 0}, {2, VK_SPACE, 1},
                                {2, VK_RETURN, 0}, {3, 'P', 1},  {3, 'X', 0},       {7, 'Q', 1}};
    nInstrumentType = INSTRUMENT_EM61MK2;
    nActiveScreen = 1;
    nRecordingState = 1;
    for (const PauseCase &c : aCases) {
        nPauseKey = c.setting;
        ScreenLogInput in = DecodeScreenLogInput(WM_KEYDOWN, (WPARAM)c.key);
        EXPECT_EQ(in.nButton, c.pauses ? 0 : N) << "setting " << c.setting << " key " << c.key;
        EXPECT_EQ(in.nCode, N);
    }
    nPauseKey = 0;
    nRecordingState = 0;
}

TEST(LogScreenPauseKey, Em61Lx2ArrowsAndDigitsPressTheSoftMarker)
{
    nInstrumentType = INSTRUMENT_EM61LX2;
    nActiveScreen = 1;
    nRecordingState = 1;
    nPauseKey = 0;
    nSoftMarkerKey = 1;
    bSoftMarkerDown = 0;
    ScreenLogInput in = DecodeScreenLogInput(WM_KEYDOWN, (WPARAM)'5');
    EXPECT_EQ(in.nButton, N);
    EXPECT_EQ(bSoftMarkerDown, 1);
    in = DecodeScreenLogInput(WM_KEYDOWN, (WPARAM)'K');
    EXPECT_EQ(in.nButton, 0);
    bSoftMarkerDown = 0;
    nRecordingState = 0;
    nInstrumentType = INSTRUMENT_EM61MK2;
}

TEST(LogScreenKeysElsewhere, KeysCountOnlyOnTheLoggingScreen)
{
    nActiveScreen = 0;
    nRecordingState = 0;
    ScreenLogInput in = DecodeScreenLogInput(WM_KEYDOWN, (WPARAM)'X');
    EXPECT_EQ(in.nButton, N);
    nActiveScreen = 1;
}

TEST(LogScreenCommands, ControlIdsGiveButtonsAndCodes)
{
    nActiveScreen = 1;
    nInstrumentType = INSTRUMENT_EM61MK2;
    struct IdCase {
        int id, note, button, code;
    };
    const IdCase aCases[] = {
        {460, 0, 0, N},   {463, 0, 3, N},   {461, 1, N, N},   {501, 0, N, 101}, {504, 0, N, 104},
        {508, 0, N, 108}, {509, 0, N, 110}, {510, 0, N, 111}, {511, 0, N, 109}, {512, 0, N, 112},
        {513, 0, N, 132}, {514, 0, N, 126}, {515, 0, N, 127}, {516, 0, N, 128}, {517, 0, N, 129},
        {518, 0, N, 130}, {519, 0, N, 131}, {520, 0, N, 141}, {521, 0, N, 140}, {480, 0, N, 142},
        {484, 0, N, 146}, {485, 0, N, N},   {470, 0, N, 113}, {478, 0, N, 121}, {479, 0, N, N}};
    for (const IdCase &c : aCases) {
        ScreenLogInput in = DecodeScreenLogInput(WM_COMMAND, MAKEWPARAM(c.id, c.note));
        EXPECT_EQ(in.nButton, c.button) << "id " << c.id;
        EXPECT_EQ(in.nCode, c.code) << "id " << c.id;
    }
    nInstrumentType = INSTRUMENT_EM384;
    EXPECT_EQ(DecodeScreenLogInput(WM_COMMAND, MAKEWPARAM(487, 0)).nCode, 149);
    nInstrumentType = INSTRUMENT_EM61MK2;
}

TEST(LogScreenCommands, PopupMenuByInstrumentAndState)
{
    EXPECT_EQ(PopupMenuResourceFor(INSTRUMENT_EM61MK2, 0), 493);
    EXPECT_EQ(PopupMenuResourceFor(INSTRUMENT_EM61MK2, -1), 494);
    EXPECT_EQ(PopupMenuResourceFor(INSTRUMENT_EM61MK2, 1), 494);
    EXPECT_EQ(PopupMenuResourceFor(INSTRUMENT_EM61LX2, 0), 491);
    EXPECT_EQ(PopupMenuResourceFor(INSTRUMENT_EM61LX2, -1), 492);
    EXPECT_EQ(PopupMenuResourceFor(INSTRUMENT_GRAD601, 0), 495);
    EXPECT_EQ(PopupMenuResourceFor(INSTRUMENT_EM34, 1), 496);
    EXPECT_EQ(PopupMenuResourceFor(INSTRUMENT_EM38MK2, -1), 498);
    EXPECT_EQ(PopupMenuResourceFor(INSTRUMENT_CS21, 0), 497);
    EXPECT_EQ(PopupMenuResourceFor(INSTRUMENT_EM384, -1), 490);
}

}  // namespace
