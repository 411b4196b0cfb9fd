// Test support: shared steps of the end-to-end survey and map tests (ports, timers, dialogs, data-file records).
#include "support/survey_harness.h"

#include <QApplication>
#include <QImage>
#include <QTimer>
#include <dirent.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "acquisition/acquisition.h"
#include "core/core.h"
#include "core/settings.h"
#include "datafile/datafile_state.h"
#include "logscreen/logscreen.h"
#include "map/map.h"
#include "processing/dispatch.h"
#include "processing/em61mk2_decode.h"

namespace survey {

ProgramStart StartIn(const std::string &root, int jix, int width, int height)
{
    ProgramStart start;
    start.rootFolder = root;
    start.jixProduct = jix;
    start.screenWidth = width;
    start.screenHeight = height;
    start.makeFolders = {L"C:\\data", jix ? L"C:\\ProgramData\\Ulvane\\Jix61MK2" : L"C:\\ProgramData\\Ulvane\\Zanth61MK2"};
    return start;
}

ProgramStart StartBuildIn(const std::string &root, int instrumentType, int jix)
{
    ProgramStart start = StartIn(root, jix);
    start.instrumentType = instrumentType;
    const wchar_t *szCaption = CaptionForBuild(instrumentType, jix);
    start.makeFolders = {L"C:\\data", std::wstring(L"C:\\ProgramData\\Ulvane\\") + (szCaption ? szCaption : L"")};
    return start;
}

std::string FactsPath(const std::string &root) { return root + "/facts.txt"; }

void CloseProgram() { PostMessage(hwndMain, WM_CLOSE, 0, 0); }

void PauseAndStop()
{
    if (nRecordingState == 1) PlatformPressKey(kKeySpace);
    CHILD_CHECK(nRecordingState == -1);
    PlatformAnswerDialog(L"Confirm Exit", 1);
    PlatformPressKey('X');
    CHILD_CHECK(nRecordingState == -2);
}

void UseEmulatorPorts(bool bGps)
{
    nInstrumentPort = 3;
    nGpsPort = 5;
    nTiltPort = 6;
    bGpsEnabled = bGps ? 1 : 0;
    bInstrumentEnabled = 1;
    bTiltMeterOn = 0;
}

void UseColourMapOfChannel1()
{
    UseEmulatorPorts(true);
    nGpsFormat = 1;
    nColorMapView = 1;
    nScaleType = 0;
    nNullApply = 1;
    adOffset[0] = adOffset[1] = adOffset[2] = adOffset[3] = 0;
    dScale1Min = 0;
    dScale1Max = 500;
    nMapSize = 40;
}

bool IsOpenHandle(HANDLE h) { return h != nullptr && h != INVALID_HANDLE_VALUE; }

static bool InstrumentPortEmpty()
{
    DWORD dwErrors = 0;
    COMSTAT stat{};
    return IsOpenHandle(hInstrumentPort) && ClearCommError(hInstrumentPort, &dwErrors, &stat) && stat.cbInQue == 0;
}

bool InstrumentPortDrained(int ms) { return PlatformWaitFor(InstrumentPortEmpty, ms); }

bool InstrumentSilentAndHandled(int ms)
{
    return PlatformWaitFor([] { return InstrumentPortEmpty() && GetTickCount() - adwFrameTick[0] > 300; }, ms);
}

std::vector<int> ActiveTimerPeriods()
{
    std::vector<int> v;
    if (!qApp) return v;
    for (QTimer *t : qApp->findChildren<QTimer *>())
        if (t->isActive() && !t->isSingleShot()) v.push_back(t->interval());
    return v;
}

bool HasTimer(int ms)
{
    for (int p : ActiveTimerPeriods())
        if (p == ms) return true;
    return false;
}

bool ShownWith(const std::wstring &caption, const std::wstring &text)
{
    for (const ShownDialog &d : PlatformShownDialogs())
        if (d.caption == caption && (text.empty() || d.text == text)) return true;
    return false;
}

bool WaitNormalOperation(int ms)
{
    return PlatformWaitFor([] { return nEm61ProcedureState == 1; }, ms);
}

bool StartLoggingTo(const std::wstring &file, int msNormal)
{
    PlatformPressKey('L');
    if (nActiveScreen != 1 || !WaitNormalOperation(msNormal)) return false;
    PlatformScriptFileChooser(file);
    PlatformPressKey('F');
    PlatformPressKey('G');
    return nRecordingState == 1;
}

bool FramesArrive(int ms)
{
    adwFrameTick[0] = 0;
    return PlatformWaitFor([] { return adwFrameTick[0] != 0; }, ms);
}

int SoundCount(const std::wstring &name)
{
    int n = 0;
    for (const std::wstring &s : PlatformSoundLog()) n += s == name;
    return n;
}

int PlayedCount(const std::wstring &name)
{
    int n = 0;
    for (const std::wstring &s : PlatformPlayedSounds()) n += s == name;
    return n;
}

int CountColourInWindow(HWND hwnd, unsigned rgb, const std::string &pngPath)
{
    if (!PlatformSaveWindowPng(hwnd, pngPath)) return -1;
    QImage img(QString::fromStdString(pngPath));
    if (img.isNull()) return -1;
    int n = 0;
    for (int y = 0; y < img.height(); y++)
        for (int x = 0; x < img.width(); x++)
            if ((img.pixel(x, y) & 0xFFFFFFu) == rgb) n++;
    return n;
}

long long Facts::Get(const std::string &key, long long fallback) const
{
    auto it = values.find(key);
    return it == values.end() ? fallback : it->second;
}

bool Facts::Save(const std::string &path) const
{
    std::ofstream out(path);
    for (const auto &kv : values) out << kv.first << ' ' << kv.second << '\n';
    return (bool)out;
}

Facts Facts::Load(const std::string &path)
{
    Facts f;
    std::ifstream in(path);
    std::string key;
    long long value;
    while (in >> key >> value) f.values[key] = value;
    return f;
}

int StopSavingFacts(const Facts &facts, const std::string &root)
{
    PauseAndStop();
    CHILD_CHECK(facts.Save(FactsPath(root)));
    CloseProgram();
    return 0;
}

std::string ReadFileBytes(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

long long Record::Tick() const
{
    if (bytes.size() < 12) return -1;
    std::string field = bytes.substr(bytes.size() - 11, 10);
    size_t i = 0;
    while (i < field.size() && field[i] == ' ') i++;
    if (i == field.size()) return -1;
    for (size_t j = i; j < field.size(); j++)
        if (field[j] < '0' || field[j] > '9') return -1;
    return std::atoll(field.c_str() + i);
}

std::vector<Record> SplitRecords(const std::string &bytes, size_t length, size_t *tail)
{
    std::vector<Record> out;
    size_t i = 0;
    for (; i + length <= bytes.size(); i += length) {
        Record r;
        r.index = out.size();
        r.bytes = bytes.substr(i, length);
        out.push_back(r);
    }
    if (tail) *tail = bytes.size() - i;
    return out;
}

bool IsEm61Mk2Reading(const Record &r)
{
    if (r.bytes.size() != 27 || r.bytes[26] != '\n') return false;
    if (std::string("TDEFMNPQJKjk").find(r.bytes[0]) == std::string::npos) return false;
    return r.Tick() >= 0;
}

std::string OnlyDataFile(const std::string &root)
{
    std::string dir = root + "/C/data", found;
    DIR *d = opendir(dir.c_str());
    if (!d) return "";
    while (dirent *e = readdir(d))
        if (e->d_name[0] != '.') found = dir + "/" + e->d_name;
    closedir(d);
    return found;
}

int CountColourInRect(HWND hwnd, const RECT &rc, COLORREF clr)
{
    HDC hdc = GetDC(hwnd);
    int n = 0;
    for (int y = rc.top; y < rc.bottom; y++)
        for (int x = rc.left; x < rc.right; x++) n += GetPixel(hdc, x, y) == clr;
    ReleaseDC(hwnd, hdc);
    return n;
}

bool DrewText(HWND hwnd, const std::wstring &text)
{
    for (const DrawnText &t : PlatformDrawnTexts())
        if (t.window == hwnd && t.text == text) return true;
    return false;
}

std::vector<COLORREF> WindowPixels(HWND hwnd)
{
    std::vector<COLORREF> v;
    RECT rc;
    GetClientRect(hwnd, &rc);
    HDC hdc = GetDC(hwnd);
    for (int y = 0; y < rc.bottom; y++)
        for (int x = 0; x < rc.right; x++) v.push_back(GetPixel(hdc, x, y));
    ReleaseDC(hwnd, hdc);
    return v;
}

void RebuildMapViewFromFile()
{
    CreateMapTiles(1);
    RebuildMapForInstrument();
    BlitMapView(nViewTileCol, nViewTileRow, nViewTileOffsetX, nViewTileOffsetY);
    HDC hdc = GetDC(hwndMap);
    DrawCrossHair(hdc, nCursorWndX, nCursorWndY);
    ReleaseDC(hwndMap, hdc);
}

long RedrawnProfileDifference(const std::vector<HWND> &windows, const std::string &pngPrefix, long *pnInk)
{
    std::vector<std::vector<COLORREF>> live;
    for (HWND h : windows) live.push_back(WindowPixels(h));
    if (!windows.empty()) PlatformSaveWindowPng(windows[0], pngPrefix + "_profile_live.png");
    for (HWND h : windows) {
        InvalidateRect(h, nullptr, TRUE);
        UpdateWindow(h);
    }
    RedrawProfileForInstrument();
    if (!windows.empty()) PlatformSaveWindowPng(windows[0], pngPrefix + "_profile_redrawn.png");
    long nDiff = 0;
    *pnInk = 0;
    for (size_t w = 0; w < windows.size(); w++) {
        const std::vector<COLORREF> redrawn = WindowPixels(windows[w]);
        nDiff += (long)(redrawn.size() != live[w].size());
        for (size_t i = 0; i < redrawn.size() && i < live[w].size(); i++) {
            nDiff += redrawn[i] != live[w][i];
            if (w == 0) *pnInk += live[w][i] != RGB(255, 255, 255);
        }
    }
    return nDiff;
}

}  // namespace survey
