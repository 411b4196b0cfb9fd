// The logging screen's popup menu for every instrument and state: opened by the "&Menu" button's action, the
// items it shows in order with their texts, and the menu mode it leaves behind.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "core/core.h"
#include "core/settings.h"
#include "logscreen/logscreen.h"
#include "platform/platform.h"
#include "resources/resources.h"

namespace {

class MenuEnvironment : public ::testing::Environment {
public:
    void SetUp() override
    {
        static char arg0[] = "popup-menus-test";
        static char *argv[] = {arg0, nullptr};
        hInst = PlatformInit(1, argv);
        RegisterResources();
        WNDCLASS wc = {};
        wc.lpfnWndProc = DefWindowProc;
        wc.hInstance = hInst;
        wc.lpszClassName = L"MenuTestScreen";
        ASSERT_NE(RegisterClass(&wc), 0);
        hwndLog = CreateWindow(L"MenuTestScreen", L"Log", WS_OVERLAPPED, 0, 0, 400, 300, nullptr, 0, hInst, nullptr);
        ASSERT_NE(hwndLog, nullptr);
    }
};
const ::testing::Environment *const gEnvironment = ::testing::AddGlobalTestEnvironment(new MenuEnvironment);

const std::map<int, std::wstring> kText = {
    {501, L"New Lin&e"},          {502, L"&New Station"},          {503, L"&Comment"},
    {504, L"N&ulling"},           {505, L"Sc&ale Readings"},       {506, L"Scale Speed &Bar"},
    {507, L"Pr&ofile Display Options"}, {508, L"&Hide Menu"},      {509, L"Map &Size"},
    {510, L"Map Displa&y Options"}, {511, L"Toggle &View"},        {512, L"GPS &Warning Mask"},
    {513, L"Alarm S&ettings"},    {514, L"Au&dio Options"},        {515, L"Coordina&tes Display Units"},
    {516, L"Ca&libration"},       {517, L"&Remove Calibration"},   {518, L"Enter Bac&kground Files"},
    {519, L"Re&move Background Files"}, {520, L"A&pply Drift Control"}, {521, L"Chan&ge Drift Reminder Time"},
};

// Items of each menu by id, 0 a separator.
const std::map<int, std::vector<int>> kItems = {
    {490, {501, 502, 503, 0, 516, 517, 0, 520, 521, 0, 509, 505, 506, 0, 510, 507, 514, 0, 511, 0, 512, 515, 0, 518,
           519, 0, 508}},
    {491, {509, 505, 506, 0, 516, 0, 510, 507, 513, 514, 0, 511, 0, 512, 515, 0, 518, 519, 0, 508}},
    {492, {501, 502, 503, 0, 504, 516, 0, 509, 505, 506, 0, 510, 507, 513, 514, 0, 511, 0, 512, 515, 0, 518, 519, 0,
           508}},
    {493, {509, 505, 506, 0, 510, 507, 514, 0, 511, 0, 512, 515, 0, 518, 519, 0, 508}},
    {494, {501, 502, 503, 0, 504, 0, 509, 505, 506, 0, 510, 507, 514, 0, 511, 0, 512, 515, 0, 518, 519, 0, 508}},
    {495, {509, 505, 506, 0, 510, 507, 514, 0, 511, 0, 512, 515, 0, 518, 519, 0, 508}},
    {496, {501, 502, 503, 0, 509, 505, 506, 0, 510, 507, 514, 0, 511, 0, 512, 515, 0, 518, 519, 0, 508}},
    {497, {509, 505, 506, 0, 516, 517, 0, 510, 507, 514, 0, 511, 0, 512, 515, 0, 518, 519, 0, 508}},
    {498, {501, 502, 503, 0, 516, 517, 0, 509, 505, 506, 0, 510, 507, 514, 0, 511, 0, 512, 515, 0, 518, 519, 0,
           508}},
};

TEST(PopupMenus, EveryInstrumentAndStateShowsItsItemsInOrderWithTheirTexts)
{
    const struct {
        const char *name;
        int nType;
        int nMonitoring, nFileOpen;  // menu resources
    } aCase[] = {
        {"Grad601", INSTRUMENT_GRAD601, 495, 496},   {"EM61-LX2", INSTRUMENT_EM61LX2, 491, 492},
        {"EM61-MK2", INSTRUMENT_EM61MK2, 493, 494},  {"EM31-MK2", INSTRUMENT_EM31MK2, 495, 496},
        {"EM38", INSTRUMENT_EM38, 495, 496},         {"EM34-3", INSTRUMENT_EM34, 495, 496},
        {"EM38-MK2", INSTRUMENT_EM38MK2, 497, 498},  {"EM38-4", INSTRUMENT_EM384, 497, 490},
        {"CS-21", INSTRUMENT_CS21, 497, 490},
    };
    // Monitoring (0), and the two states with a data file open (stand-by -1, logging 1).
    const int anState[3] = {0, -1, 1};
    for (const auto &c : aCase)
        for (int nState : anState) {
            SCOPED_TRACE(std::string(c.name) + " in state " + std::to_string(nState));
            nInstrumentType = c.nType;
            nRecordingState = nState;
            const int nMenu = nState == 0 ? c.nMonitoring : c.nFileOpen;
            EXPECT_EQ(PopupMenuResourceFor(c.nType, nState), nMenu);

            hPopupMenu = hPopupSubMenu = nullptr;
            PlatformScriptPopupMenu(0);  // shown and dismissed
            RunScreenButton(3);
            const std::vector<ShownMenuItem> items = PlatformLastPopupMenu();
            const std::vector<int> &expected = kItems.at(nMenu);
            ASSERT_EQ(items.size(), expected.size());
            for (size_t i = 0; i < items.size(); i++) {
                EXPECT_EQ(items[i].id, expected[i]) << "item " << i;
                if (expected[i] == 0) continue;
                std::wstring text = kText.at(expected[i]);
                if (expected[i] == 516 && (nMenu == 491 || nMenu == 492)) text = L"Ca&librate Filter";
                EXPECT_EQ(items[i].text, text) << "item " << i;
                EXPECT_TRUE(items[i].enabled) << "item " << i;
            }
            // The menu leaves menu mode on (D, L and R take their menu meanings) until a command clears it.
            EXPECT_TRUE(hPopupMenu != nullptr);
        }
    // "&Hide Menu" clears menu mode.
    RunScreenLogCommandCode(108);
    EXPECT_TRUE(hPopupMenu == nullptr && hPopupSubMenu == nullptr);
    nRecordingState = 0;
}

}  // namespace
