// Fuzz target: tilt-meter bytes through the line framer and the tilt-sentence handler (recording, boxes drawn).
#include <cstdint>
#include <cstring>

#include "acquisition/acquisition.h"
#include "acquisition/framers.h"
#include "core/settings.h"
#include "logscreen/logscreen.h"
#include "map/pens.h"
#include "support/fuzz_support.h"

static LRESULT ScreenProc(HWND hwnd, UINT m, WPARAM w, LPARAM l)
{
    return DefWindowProc(hwnd, m, w, l);
}

static HWND StartScreen()
{
    StartFuzzPlatform("tilt");
    CreateFixedPensAndBrushes();
    WNDCLASS wc{};
    wc.lpfnWndProc = ScreenProc;
    wc.hbrBackground = CreateSolidBrush(RGB(0, 0, 0));
    wc.lpszClassName = L"TiltFuzzScreen";
    RegisterClass(&wc);
    return CreateWindow(L"TiltFuzzScreen", L"Log", WS_OVERLAPPED | WS_VISIBLE, 0, 0, 800, 600, nullptr, 0, nullptr,
                        nullptr);
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *pData, size_t nSize)
{
    static HWND hwnd = StartScreen();
    if (nSize < 1) return 0;
    nTiltRollField = 1 + pData[0] % 8;
    nTiltPitchField = 1 + pData[0] / 8 % 8;
    nRecordingState = pData[0] >> 7;
    SentenceAccumulator acc;
    ResetSentenceAccumulator(&acc);
    char szLine[512];
    for (size_t i = 1; i < nSize; ++i) {
        int bDollar = 0;
        if (StepTiltLine(&acc, pData[i], szLine, &bDollar) != FRAME_READY) continue;
        strncpy(szTilt, szLine, sizeof szTilt - 1);
        szTilt[sizeof szTilt - 1] = 0;
        ProcessTiltSentence(hwnd, 0, 0, 0);
    }
    nRecordingState = 0;
    return 0;
}
