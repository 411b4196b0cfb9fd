// Test support: shared steps of the end-to-end survey and map tests (ports, timers, dialogs, data-file records).
#pragma once

#include <map>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "support/program_runner.h"

namespace survey {

constexpr int kKeySpace = 0x20;

// A start of the program in the emulator's root with the data folder and the build's settings folder made.
ProgramStart StartIn(const std::string &root, int jix, int width = 1280, int height = 800);
// The same for another build: its instrument and its own settings folder.
ProgramStart StartBuildIn(const std::string &root, int instrumentType, int jix);
// Where a start's child process leaves its Facts for the test.
std::string FactsPath(const std::string &root);
// Asks the main window to close, which ends the child's message loop.
void CloseProgram();
// Pause by any key (when logging) and "E&xit" confirmed.
void PauseAndStop();

// The default build's emulator ports (instrument COM4, GPS COM6, tilt meter COM7); GPS input on or off, no tilt.
void UseEmulatorPorts(bool bGps);
// The emulator ports with GPS in format 1 and a colour map of channel 1 on the 0..500 scale, no offsets, map size 40.
void UseColourMapOfChannel1();
bool IsOpenHandle(HANDLE h);
// Periods of the repeating timers that run now (timer 1 of the logging screen is the only window timer).
std::vector<int> ActiveTimerPeriods();
bool HasTimer(int ms);
// A message dialog with this caption (and text, when given) was shown.
bool ShownWith(const std::wstring &caption, const std::wstring &text = L"");
// The logging screen's procedure state reached normal operation (normalisation done) within ms.
bool WaitNormalOperation(int ms);
// "&Logging" (key L) until normal operation (within msNormal), a data file by key F (the chooser answered with
// file), then "&Go" by key G; true once logging.
bool StartLoggingTo(const std::wstring &file, int msNormal = 15000);
// Frames reach the reading handler again (the reader stamps adwFrameTick[0] with each one it hands over).
bool FramesArrive(int ms);
// Every byte the instrument has sent so far was taken from its port by the reader (nothing waits in the port or the
// platform's buffer), within ms; the frames read are handled as the pump goes on.
bool InstrumentPortDrained(int ms);
// The instrument fell silent (the emulator's "silence 0"): its port is drained and no frame was handed over for
// 300 ms of pumping, so that every frame it sent has been handled, however long the reader was held up.
bool InstrumentSilentAndHandled(int ms);
// Sounds of this name asked for so far.
int SoundCount(const std::wstring &name);
// Sounds of this name started so far (a no-stop request skipped for a sound still playing is not counted).
int PlayedCount(const std::wstring &name);
// Saves a picture of the window and returns how many of its pixels have exactly this RGB colour (0xRRGGBB).
int CountColourInWindow(HWND hwnd, unsigned rgb, const std::string &pngPath);

// Key/value facts the program's process hands to the test process (a text file in the start's root).
struct Facts {
    std::map<std::string, long long> values;
    void Set(const std::string &key, long long value) { values[key] = value; }
    long long Get(const std::string &key, long long fallback = -1) const;
    bool Save(const std::string &path) const;
    static Facts Load(const std::string &path);
};
// The end of a child's survey: pause and stop, the facts saved for the test, the program closed; returns 0.
int StopSavingFacts(const Facts &facts, const std::string &root);

std::string ReadFileBytes(const std::string &path);
// The path of the one data file a survey left in <root>/C/data ("" when there is none).
std::string OnlyDataFile(const std::string &root);
// Pixels of the window's picture within the rectangle whose colour equals clr.
int CountColourInRect(HWND hwnd, const RECT &rc, COLORREF clr);
// A text of this content was drawn in the window since the drawn texts were last cleared.
bool DrewText(HWND hwnd, const std::wstring &text);
// Every pixel of the window's client area, row by row.
std::vector<COLORREF> WindowPixels(HWND hwnd);
// The live profile windows against the profiles redrawn from the data file: pictures of the windows, then the
// windows painted afresh and RedrawProfileForInstrument. Returns the pixels that differ; *pnInk counts the
// non-white pixels of the first window's live picture. PNGs of the first window, live and redrawn, go to
// pngPrefix + "_profile_live.png" and "_profile_redrawn.png".
long RedrawnProfileDifference(const std::vector<HWND> &windows, const std::string &pngPrefix, long *pnInk);
// The map window's view made again from the data file (RebuildMapForInstrument), with the position cursor the
// live view carries over the survey layer.
void RebuildMapViewFromFile();

// One record of a data file as written (line feed included).
struct Record {
    size_t index = 0;
    std::string bytes;
    char Kind() const { return bytes.empty() ? 0 : bytes[0]; }
    bool StartsWith(const std::string &prefix) const { return bytes.compare(0, prefix.size(), prefix) == 0; }
    // The "%10lu" tick just before the line feed of a record of this length; -1 when the field is no such number.
    long long Tick() const;
};
// Splits a data file into records of `length` bytes; *tail gets the count of bytes after the last whole record.
std::vector<Record> SplitRecords(const std::string &bytes, size_t length, size_t *tail = nullptr);
// True for an EM61-MK2 reading record: a mode letter, the tick field and the line feed in place.
bool IsEm61Mk2Reading(const Record &r);

}  // namespace survey
