// EM61-LX2 target alarm: simple threshold or enhanced peak detector, and left / between / right by lamps and voice.
#pragma once

#include "platform/platform.h"

// Fixed values of the alarm.
constexpr int nAlarmWindowLength = 5;          // readings in the enhanced window (at most 24)
constexpr double dAlarmPeakFraction = 0.4;     // every window slot must reach this fraction of the peak
constexpr int nAlarmHoldReadings = 18;         // readings an enhanced sound is held
constexpr double dTargetBetweenFraction = 0.2; // closer than this fraction of the larger value: between the coils

// Working values (see the handlers): the watched values of this reading, the coils active in it, the enhanced
// windows (slots 1..nAlarmWindowLength of each coil) and their peaks, the held sound and the hold counters.
extern double dAlarmValue, dAlarmValueRight;
extern int bAlarmActive, bAlarmActiveRight;
extern double adAlarmWindow[2][25];
extern double dAlarmPeak, dAlarmPeakRight;
extern int bAlarmSoundPlaying;
extern int nAlarmHoldCount, nAlarmHoldCountDual;

// Start of a reading: both coils inactive.
void ClearAlarmFlags();
// Hold of a playing enhanced sound: counts the reading and stops the sound once the hold is over.
void HoldAlarmSound(int *pnHoldCount);
// The value nAlarmChannel watches among a coil's channel 1, channel 2 and difference.
double WatchedAlarmValue(const double adCoil[3]);
// Alarm of a reading and the numbers panel (drawn into hdc, which may be null): one coil, then two coils.
void RunEm61Lx2Alarm(HDC hdc, const double adCoil[3]);
void RunEm61Lx2DualAlarm(HDC hdc, const double adLeft[3], const double adRight[3]);
