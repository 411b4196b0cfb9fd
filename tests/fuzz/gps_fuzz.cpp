// Fuzz target: GPS sentences of every format through the position and satellite (DOP) handlers, the status boxes
// laid out on a window. The first byte picks the format and the units; each following line is one sentence.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "acquisition/acquisition.h"
#include "core/core.h"
#include "core/settings.h"
#include "core/utm.h"
#include "datafile/datafile_state.h"
#include "logscreen/logscreen.h"
#include "map/pens.h"
#include "map/map_state.h"
#include "processing/gps_formats.h"
#include "processing/gps_position.h"
#include "support/fuzz_support.h"

static LRESULT ScreenProc(HWND hwnd, UINT m, WPARAM w, LPARAM l)
{
    return DefWindowProc(hwnd, m, w, l);
}

static HWND StartScreen()
{
    StartFuzzPlatform("gps");
    InitUtmConstants();
    CreateFixedPensAndBrushes();
    WNDCLASS wc{};
    wc.lpfnWndProc = ScreenProc;
    wc.hbrBackground = CreateSolidBrush(RGB(0, 0, 0));
    wc.lpszClassName = L"GpsFuzzScreen";
    RegisterClass(&wc);
    HWND hwnd = CreateWindow(L"GpsFuzzScreen", L"Log", WS_OVERLAPPED | WS_VISIBLE, 0, 0, 600, 300, nullptr, 0,
                             nullptr, nullptr);
    if (!hwnd) abort();
    // Every box of the status panel gets a place: 13 boxes of 90 x 20 pixels.
    for (int i = 0; i < GPS_BOX_COUNT; ++i) arcGpsBox[i] = RECT{(i % 6) * 95, (i / 6) * 25, (i % 6) * 95 + 90, (i / 6) * 25 + 20};
    return hwnd;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *pData, size_t nSize)
{
    static HWND hwnd = StartScreen();
    if (nSize < 1) return 0;
    const uint8_t bSetup = pData[0];
    nGpsFormat = bSetup % 9;
    bPseudoGga = (bSetup >> 4) & 1;
    nCoordUnits = (bSetup >> 5) & 3;
    nMapUnits = (bSetup >> 7) ? 1 : 0;
    nSpeedUnits = (bSetup >> 2) & 3;
    nInstrumentType = (bSetup & 0x40) ? INSTRUMENT_EM61LX2 : INSTRUMENT_EM61MK2;
    SelectGpsSentenceFields();
    ResetGpsFixState();
    nUtmZone = -9;
    bGpsMaskEnabled = 1;
    bGpsMaskAudio = 0;
    nRecordingState = 0;
    bMapUpdatesOn = 0;
    // Manual survey mode: the handlers read the held sentences and the map draws nothing.
    nSurveyModePrev = 2;

    std::string text = FuzzText(pData + 1, nSize - 1, 4096);
    size_t nStart = 0;
    for (int nLine = 0; nLine < 16 && nStart <= text.size(); ++nLine) {
        size_t nEnd = text.find('\n', nStart);
        if (nEnd == std::string::npos) nEnd = text.size();
        std::string sentence = text.substr(nStart, nEnd - nStart).substr(0, 255);
        nStart = nEnd + 1;
        strcpy(szGpsSentence, sentence.c_str());
        strcpy(szGpsPosition, sentence.c_str());
        strcpy(szGpsSatellites, sentence.c_str());
        OnGpsPositionMsg(hwnd, WM_GPS_POSITION, 0, 0);
        OnGpsDopMsg(hwnd, WM_GPS_DOP, 0, 0);
        if (nGpsQuality < 0 || nGpsSatellites < 0) abort();
    }
    return 0;
}
