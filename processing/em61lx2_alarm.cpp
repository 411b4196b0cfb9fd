// EM61-LX2 target alarm: simple threshold or enhanced peak detector, and left / between / right by lamps and voice.
#include "processing/em61lx2_alarm.h"

#include "acquisition/acquisition.h"
#include "core/core.h"
#include "core/settings.h"
#include "processing/em61lx2_display.h"

double dAlarmValue = 0.0, dAlarmValueRight = 0.0;
int bAlarmActive = 0, bAlarmActiveRight = 0;
double adAlarmWindow[2][25];
double dAlarmPeak = 0.0, dAlarmPeakRight = 0.0;
int bAlarmSoundPlaying = 0;
int nAlarmHoldCount = 0, nAlarmHoldCountDual = 0;

namespace {

void Play(const wchar_t *szName, DWORD dwExtra)
{
    PlaySound(szName, hInst, SND_RESOURCE | SND_ASYNC | dwExtra);
}

// Two coils, voice: the sound of the left / between / right decision.
void PlaySideSound(int nSide)
{
    switch (nSide) {
    case -1: Play(L"LEFTSOUND", 0); break;
    case 0: Play(L"BETWEENSOUND", 0); break;
    case 1: Play(L"RIGHTSOUND", 0); break;
    case 2: Play(L"LEFTRIGHTSOUND", 0); break;
    default: break;
    }
}

// Readings the simple alarm stays quiet after it rang.
int SimpleHoldReadings()
{
    const int n = nFrameDecimation.load();
    return 20 / (n >= 1 ? n : 1);
}

// Enhanced window step of one coil; 1 when the coil's alarm fires (the peak then stands in *pdPeak).
int EnhancedStep(double *adSlot, double dValue, double *pdPeak)
{
    const int L = nAlarmWindowLength;
    for (int i = 1; i < L; i++) adSlot[i] = adSlot[i + 1];
    adSlot[L] = dValue;
    double dPeak = adSlot[1];
    for (int i = 2; i <= L; i++)
        if (adSlot[i] > dPeak) dPeak = adSlot[i];
    *pdPeak = dPeak;
    if (!(dAlarmMinLevel <= dPeak && dPeak <= dAlarmMaxLevel)) return 0;
    for (int i = 1; i <= L; i++)
        if (adSlot[i] < dPeak * dAlarmPeakFraction) return 0;
    if (nAlarmDescending == 1 && !(adSlot[L - 1] < dPeak)) return 0;
    return dPeak > adSlot[1] && dPeak > adSlot[L];
}

}  // namespace

void ClearAlarmFlags()
{
    bAlarmActive = 0;
    bAlarmActiveRight = 0;
}

void HoldAlarmSound(int *pnHoldCount)
{
    if (!bAlarmSoundPlaying) return;
    ++*pnHoldCount;
    if (*pnHoldCount > nAlarmHoldReadings) {
        PlaySound(nullptr, hInst, 0);
        bAlarmSoundPlaying = 0;
    }
}

double WatchedAlarmValue(const double adCoil[3])
{
    return adCoil[nAlarmChannel >= 0 && nAlarmChannel <= 2 ? nAlarmChannel : 0];
}

void RunEm61Lx2Alarm(HDC hdc, const double adCoil[3])
{
    dAlarmValue = WatchedAlarmValue(adCoil);
    auto Numbers = [&] { DrawEm61Lx2Numbers(hdc, adCoil[0], adCoil[1], adCoil[2]); };
    if (nAlarmType == 1) {
        bAlarmActive = dAlarmValue >= dAlarmLevel;
        if (nAlarmHoldCount >= 1) {
            nAlarmHoldCount++;
            Numbers();
            if (nAlarmHoldCount > SimpleHoldReadings()) nAlarmHoldCount = 0;
        } else if (!bAlarmActive) {
            Numbers();
        } else {
            nAlarmHoldCount++;
            Numbers();
            if (nAlarmAudio > 0) Play(L"SOUND_RING", SND_NOSTOP);
        }
        return;
    }
    if (nAlarmType == 2) {
        double dPeak = 0.0;
        if (EnhancedStep(adAlarmWindow[0], dAlarmValue, &dPeak)) {
            dAlarmPeak = dPeak;
            bAlarmActive = 1;
            dAlarmValue = dPeak;
            Numbers();
            if (!bAlarmSoundPlaying) {
                if (nAlarmAudio > 0) Play(L"RINGINSOUND", 0);
                bAlarmSoundPlaying = 1;
                nAlarmHoldCount = 0;
            }
            return;
        }
        dAlarmPeak = dPeak;
    }
    Numbers();
}

void RunEm61Lx2DualAlarm(HDC hdc, const double adLeft[3], const double adRight[3])
{
    dAlarmValue = WatchedAlarmValue(adLeft);
    dAlarmValueRight = WatchedAlarmValue(adRight);
    auto Numbers = [&] {
        return DrawEm61Lx2DualNumbers(hdc, adLeft[0], adLeft[1], adLeft[2], adRight[0], adRight[1], adRight[2]);
    };
    if (nAlarmType == 1) {
        bAlarmActive = dAlarmValue >= dAlarmLevel;
        bAlarmActiveRight = dAlarmValueRight >= dAlarmLevel;
        if (nAlarmHoldCountDual >= 1) {
            nAlarmHoldCountDual++;
            Numbers();
            if (nAlarmHoldCountDual > SimpleHoldReadings()) nAlarmHoldCountDual = 0;
        } else if (!bAlarmActive && !bAlarmActiveRight) {
            Numbers();
        } else {
            nAlarmHoldCountDual++;
            const int nSide = Numbers();
            if (nAlarmAudio == 1) PlaySideSound(nSide);
            else if (nAlarmAudio == 2) Play(L"SOUND_RING", SND_NOSTOP);
        }
        return;
    }
    if (nAlarmType != 2) {
        Numbers();
        return;
    }
    // Enhanced: the left coil, then the right coil, each with its own window and peak.
    double *const apdPeak[2] = {&dAlarmPeak, &dAlarmPeakRight};
    double *const apdValue[2] = {&dAlarmValue, &dAlarmValueRight};
    int *const apbActive[2] = {&bAlarmActive, &bAlarmActiveRight};
    for (int c = 0; c < 2; c++) {
        double dPeak = 0.0;
        const int bFires = EnhancedStep(adAlarmWindow[c], *apdValue[c], &dPeak);
        *apdPeak[c] = dPeak;
        if (!bFires) {
            Numbers();
            continue;
        }
        *apbActive[c] = 1;
        *apdValue[c] = dPeak;
        const int nSide = Numbers();
        if (!bAlarmSoundPlaying) {
            if (nAlarmAudio == 1) PlaySideSound(nSide);
            else if (nAlarmAudio == 2) Play(L"RINGINSOUND", 0);
            bAlarmSoundPlaying = 1;
            nAlarmHoldCountDual = 0;
        }
    }
}
