// Logging-screen commands: buttons, keys and popup menu decoded into screen-button actions and command codes.
#include "core/core.h"
#include "core/settings.h"
#include "datafile/datafile.h"
#include "dialogs/survey_line_dialogs.h"
#include "displays/displays.h"
#include "displays/numbers.h"
#include "core/logging_command.h"
#include "displays/reading_windows.h"
#include "logscreen/logscreen.h"
#include "logscreen/status_panel.h"
#include "map/map.h"
#include "map/pens.h"
#include "map/map_state.h"
#include "map/map_view.h"
#include "processing/dispatch.h"
#include "processing/em384_handler.h"
#include "processing/em61mk2_decode.h"
#include "processing/em61lx2_handler.h"
#include "processing/em61mk2_handler.h"
#include "processing/conductivity_handlers.h"
#include "dialogs/alarm_dialog.h"
#include "dialogs/display_options_dialog.h"
#include "dialogs/display_setup_dialog.h"
#include "dialogs/setup_dialogs.h"
#include "acquisition/acquisition.h"
#include "background/background_files.h"
#include "background/background_state.h"

HMENU hPopupMenu = nullptr, hPopupSubMenu = nullptr;
int nDefaultButton = 0;

namespace {

const int kNone = -99;

int IsOpen(HANDLE h) { return h != nullptr && h != INVALID_HANDLE_VALUE; }

// The row of buttons the operator sees: the first in monitoring, the second otherwise.
HWND *VisibleRow() { return nRecordingState == 0 ? hwndLogButtons : hwndLogButtonsAlt; }

void MoveDefaultButton()
{
    HWND *aRow = VisibleRow();
    nDefaultButton = (nDefaultButton + 1) % 4;
    for (int i = 0; i < 4; i++)
        if (aRow[i]) SendMessage(aRow[i], BM_SETSTYLE, i == nDefaultButton ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON, TRUE);
}

void Repaint()
{
    if (!hwndLog) return;
    InvalidateRect(hwndLog, nullptr, TRUE);
    UpdateWindow(hwndLog);
}

int MenuMode() { return hPopupMenu != nullptr || hPopupSubMenu != nullptr; }

// Key map outside logging: a button index (0..3) or a command code (101..149), or kNone.
int KeyResult(int k)
{
    const int bReview = bMapReviewMode != 0;
    const int bStandBy = nRecordingState == -1;
    switch (k) {
    case VK_RETURN: return nDefaultButton;
    case 0x25: return MenuMode() ? kNone : 113;
    case 'L': return MenuMode() ? (bReview ? kNone : 128) : 113;
    case 0x26:
    case 'P': return 115;
    case 0x27: return MenuMode() ? kNone : 114;
    case 'R': return MenuMode() ? (bReview ? kNone : 129) : 114;
    case 0x28: return MenuMode() ? kNone : 116;
    case 'D': return MenuMode() ? (bReview ? kNone : 126) : 116;
    case VK_OEM_PLUS:
    case VK_ADD: return bReview ? 117 : kNone;
    case VK_OEM_MINUS:
    case VK_SUBTRACT: return bReview ? 118 : kNone;
    case 'A': return bReview ? kNone : 105;
    case 'B': return bReview ? kNone : 106;
    case 'C': return (bStandBy && !bReview) ? 103 : kNone;
    case 'E': return bReview ? 121 : (bStandBy ? 101 : kNone);
    case 'F': return bReview ? 119 : (nRecordingState == 0 ? 0 : kNone);
    case 'G':
    case 0x71: return (bStandBy && !bReview) ? 0 : kNone;
    case 'I': return bReview ? kNone : 120;
    case 'M':
    case 0x72: return bReview ? kNone : 3;
    case 'N': return (bStandBy && !bReview) ? 102 : kNone;
    case 'O': return bReview ? kNone : 107;
    case 'Q': return (bStandBy && !bReview) ? 1 : kNone;
    case 'S': return bReview ? kNone : 110;
    case 'T': return bReview ? kNone : 127;
    case 'U': return bReview ? kNone : 104;
    case 'V': return bReview ? kNone : 130;
    case 'W': return bReview ? kNone : 112;
    case 'X': return 2;
    case 'Y': return bReview ? kNone : 111;
    default: return kNone;
    }
}

// While logging only the pause key counts.
int PauseKeyPressed(int k)
{
    switch (nPauseKey) {
    case 0:
        if (nInstrumentType == INSTRUMENT_EM61LX2 && ((k >= 0x25 && k <= 0x28) || (k >= 0x30 && k <= 0x39))) {
            if (nSoftMarkerKey == 1 && bSoftMarkerDown == 0) bSoftMarkerDown = 1;
            return 0;
        }
        return 1;
    case 1: return k == VK_RETURN;
    case 2: return k == VK_SPACE;
    case 3: return k == 'P';
    default: return 1;
    }
}

void Refuse(const wchar_t *szText)
{
    ShowMessageDialog(hwndLog, L"MESSAGEOK", L"INFORMATION", szText);
    Repaint();
}

void ShowPopupMenu()
{
    bMapUpdatesOn = 0;
    int nResource = PopupMenuResourceFor(nInstrumentType, nRecordingState);
    hPopupMenu = LoadMenu(hInst, nResource);
    hPopupSubMenu = hPopupMenu;
    if (hPopupSubMenu) {
        TrackPopupMenuEx(hPopupSubMenu, 0, nMainX + 190, nMainY + 120, hwndLog, nullptr);
        DestroyMenu(hPopupMenu);
    }
    // The handles keep their values: menu mode lasts until a command clears it.
    if (hwndLog) SetFocus(hwndLog);
}

void ClearMenuMode()
{
    hPopupMenu = nullptr;
    hPopupSubMenu = nullptr;
}

void RepaintLogScreen()
{
    if (!hwndLog) return;
    InvalidateRect(hwndLog, nullptr, TRUE);
    UpdateWindow(hwndLog);
}

// 101: the next survey line from the dialog; its line records start it. Returns 1 when a line was started (the
// profile goes on without a redraw then).
int NewLineCommand()
{
    if (!bInstrumentEnabled) {
        Refuse(L"Option avaiable only when Instrument is enabled");
        return 0;
    }
    if (DialogBox(hInst, L"GETNEWLINE", hwndLog, GetNewLineDlgProc) != 1) return 0;
    WriteLineHeader();
    WriteTimeRecord();
    nLineCounter++;
    nLineElapsedMs = 0;
    nLineReadingCount = 0;
    dLineAccum1 = 0.0;
    RepaintLogScreen();
    ShowPleaseWait();
    return 1;
}

// 102: a new station from the dialog.
void NewStationCommand()
{
    if (!bInstrumentEnabled) {
        Refuse(L"Option avaiable only when Instrument is enabled");
        return;
    }
    DialogBox(hInst, L"NEWSTATION", hwndLog, NewStationDlgProc);
    RepaintLogScreen();
}

// 142 to 149: the colour map shows another channel (EM38-4 and CS-21 number their boxes conductivity first).
void ChannelBoxCommand(int nCode)
{
    if (bGpsEnabled <= 0) {
        Refuse(L"Option avaiable only when GPS is enabled");
        return;
    }
    int nView = nCode - 141;
    if (nInstrumentType == INSTRUMENT_EM384 || nInstrumentType == INSTRUMENT_CS21) {
        static const int anViewOfBox[8] = {1, 3, 5, 7, 2, 4, 6, 8};
        nView = anViewOfBox[nCode - 142];
    }
    if (nView < 1 || nView > ChannelBoxCount()) return;  // no such box for this instrument
    nColorMapView = nView;
    ComputeColorStepForView();  // the live cells take the new view's class width, as the rebuild does
    ShowChannelCheckBoxes(1);
    // In review the choice lasts until the review ends (which restores the channel); the review view shows it at
    // once, under the review title of the new channel.
    if (bMapReviewMode) {
        MapViewCommand(MAPVIEW_REDRAW_FIRST);
        return;
    }
    SaveSettingsKeepingConfiguration();
    RepaintLogScreen();
    ClearMapWindow(hwndMap);
    ShowPleaseWait();
    CreateMapTiles(1);
    RebuildMapForInstrument();
}

}  // namespace

int PopupMenuResourceFor(int nInstrument, int nState)
{
    const int bFile = nState != 0;
    switch (nInstrument) {
    case INSTRUMENT_EM61LX2: return bFile ? 492 : 491;
    case INSTRUMENT_EM61MK2: return bFile ? 494 : 493;
    case INSTRUMENT_EM38MK2: return bFile ? 498 : 497;
    case INSTRUMENT_EM384:
    case INSTRUMENT_CS21: return bFile ? 490 : 497;
    default: return bFile ? 496 : 495;  // Grad601, EM31-MK2, EM38, EM34-3
    }
}

ScreenLogInput DecodeScreenLogInput(UINT message, WPARAM wParam)
{
    ScreenLogInput in = {kNone, kNone};
    if (message == WM_COMMAND) {
        const int id = LOWORD(wParam), note = HIWORD(wParam);
        if (nActiveScreen == 1) {
            static const int anMenuCode[21] = {101, 102, 103, 104, 105, 106, 107, 108, 110, 111, 109,
                                               112, 132, 126, 127, 128, 129, 130, 131, 141, 140};
            if (id >= 501 && id <= 521) in.nCode = anMenuCode[id - 501];
        }
        if (note == 0 && id >= 460 && id <= 463) in.nButton = id - 460;
        const int nLastBox = (nInstrumentType == INSTRUMENT_EM384 || nInstrumentType == INSTRUMENT_CS21) ? 487 : 484;
        if (id >= 480 && id <= nLastBox) in.nCode = id - 338;
        if (id >= 470 && id <= 478) in.nCode = id - 357;
        return in;
    }
    if ((message == WM_KEYDOWN || message == WM_DEADCHAR) && nActiveScreen == 1) {
        const int k = (int)wParam;
        if (nRecordingState == 1) {
            if (PauseKeyPressed(k)) in.nButton = 0;
            return in;
        }
        if (k == VK_TAB) {
            MoveDefaultButton();
            return in;
        }
        int r = KeyResult(k);
        if (r >= 0 && r <= 3) in.nButton = r;
        else if (r >= 101 && r <= 149) in.nCode = r;
    }
    return in;
}

void StartNullingCommand()
{
    ClearMenuMode();
    if (nInstrumentType != INSTRUMENT_EM61MK2 && nInstrumentType != INSTRUMENT_EM61LX2) return;
    if (!bInstrumentEnabled) {
        Refuse(L"Option avaiable only when Instrument is enabled");
        return;
    }
    if (nEm61ProcedureState != 1) return;
    int bAsked = 0;
    if (nRecordingState == -1) {
        bAsked = 1;
        if (!ShowMessageDialog(hwndLog, L"MESSAGEYESNO", L"NULLING", L"DO YOU WANT TO PERFORM NULLING")) {
            if (hwndLog) {
                InvalidateRect(hwndLog, nullptr, TRUE);
                UpdateWindow(hwndLog);
            }
            return;
        }
    }
    nEm61ProcedureState = -1;
    nProcedureCount = 0;
    for (int i = 0; i < 16; i++) abCurveHasPrev[i] = 0;
    if (!bAsked) {
        static const int anButton[3] = {0, 1, 3};
        for (int i : anButton)
            if (hwndLogButtons[i]) EnableWindow(hwndLogButtons[i], FALSE);
        for (int i = 0; i < 8; i++)
            if (hwndChannelBoxes[i]) EnableWindow(hwndChannelBoxes[i], FALSE);
    }
    if (IsOpen(hDataFile)) RedrawProfileForInstrument();
}

void StartFilterCalibrationCommand()
{
    if (!ShowMessageDialog(hwndLog, L"MESSAGEOKCANCEL", L"Filter Calibration Part 1",
                           L"Lift coil(s) in the air and\r\nhold them for about 5 seconds (until the beep)\r\n"
                           L"Press OK when you are ready to start\r\n"))
        return;
    nProcedureCount = 0;
    dFilterRatioLeftPrev = dFilterRatioLeft;
    dFilterRatioRightPrev = dFilterRatioRight;
    nFrameDecimation = 1;
    nEm61ProcedureState = -2;
    static const int anButton[3] = {0, 1, 3};
    for (int i : anButton)
        if (hwndLogButtons[i]) EnableWindow(hwndLogButtons[i], FALSE);
    for (int i = 0; i < 3; i++) {
        if (hwndChannelBoxes[i]) EnableWindow(hwndChannelBoxes[i], FALSE);
        if (hwndChannelBoxes2[i]) EnableWindow(hwndChannelBoxes2[i], FALSE);
    }
}

void RunScreenButton(int nButton)
{
    // After the instrument link was given up no reader runs: nothing can start or change line.
    if (bInstrumentLinkGivenUp && nRecordingState == -1 && (nButton == 0 || nButton == 1)) return;
    switch (nButton) {
    case 0:
        if (nRecordingState == 0) CreateDataFileStep();
        else if (nRecordingState == -1) StartLogging();
        else if (nRecordingState == 1) PauseLogging();
        break;
    case 1:
        if (!bInstrumentEnabled) {
            Refuse(L"Option avaiable only when Instrument is enabled");
        } else if (nRecordingState == 0) {
            const int bEm61 = nInstrumentType == INSTRUMENT_EM61MK2 || nInstrumentType == INSTRUMENT_EM61LX2;
            RunScreenLogCommandCode(bEm61 ? 104 : 110);
        } else if (nRecordingState == -1 || nRecordingState == 1) {
            QuickLine();
        }
        break;
    case 2: StopLoggingStep(); break;
    case 3: ShowPopupMenu(); break;
    default: break;
    }
}

namespace {

// Code 109: the map view on or off, the screen arranged again and every status box measured again.
// 130: a background file laid under the map; it needs the map shown, a valid position and a free slot.
void LoadBackgroundCommand()
{
    if (bGpsActive != 1) {
        Refuse(L"Option avaiable only when map is visible");
        return;
    }
    if (bGpsEnabled > 0 && bGpsPositionValid != 1) {
        ShowMessageDialog(hwndLog, L"MESSAGEOK", L"WARNING",
                          L"Valid GPS position must be received to use this option.");
        Repaint();
        return;
    }
    if (nBackgroundFileCount >= nMaxBackgroundFiles) {
        ShowMessageDialog(hwndLog, L"MESSAGEOK", L"INFORMATION", L"Maximum 10 background files already loaded");
        Repaint();
        return;
    }
    LoadBackgroundFile(hwndLog);
}

void ToggleMapView()
{
    bMapUpdatesOn = 0;
    if (!bInstrumentEnabled) Refuse(L"Option avaiable only when Instrument is enabled");
    if (!bGpsEnabled) Refuse(L"Option avaiable only when GPS is enabled");
    if (bInstrumentEnabled && bGpsEnabled) bGpsActive = bGpsActive ? 0 : 1;
    ArrangeAndLayOutLogScreen();
    DeriveGraphScales();
    const int bFileOpen = IsOpen(hDataFile);
    if (bGpsActive == 1) {
        Repaint();
        ShowPleaseWait();
        if (bFileOpen)
            for (int i = 0; i < 9; i++)
                if (hwndMapViewButtons[i] && (bMapReviewMode || i < 4)) EnableWindow(hwndMapViewButtons[i], TRUE);
        ShowChannelCheckBoxes(1);
    } else {
        Repaint();
        for (int i = 0; i < 9; i++)
            if (hwndMapViewButtons[i]) EnableWindow(hwndMapViewButtons[i], FALSE);
        ShowChannelCheckBoxes(0);
    }
    bBarQFrameDrawn = 0;
    RedrawProfileForInstrument();
    if (hwndLog) SetFocus(hwndLog);
    bMapUpdatesOn = 1;
}

// ---------------------------------------------------------------------------------------------------------------
// Option dialogs of the popup menu and the keys: scales, map size, map and profile display options, GPS mask,
// audio, coordinate units and drift reminder; the map rebuilt as their redraw requests ask.
// ---------------------------------------------------------------------------------------------------------------

// 105: reading scales, with the colour legend shown beside the dialog while a colour map is chosen.
void ReadingScaleCommand()
{
    const int bLegend = nColorMapView != 0 && bGpsEnabled > 0 && hwndColorBar;
    if (bLegend) {
        ShowWindow(hwndColorBar, SW_SHOW);
        UpdateWindow(hwndColorBar);
    }
    const INT_PTR r = DialogBox(hInst, ReadingScaleTemplateName(), hwndLog, ReadingScaleDlgProc);
    if (hwndColorBar) ShowWindow(hwndColorBar, SW_HIDE);
    if (nInstrumentType == INSTRUMENT_EM384 || nInstrumentType == INSTRUMENT_CS21) DeriveGraphScales();
    Repaint();
    ActOnRedrawFlags(r == 1 && nColorMapView != 0 ? nRedrawFlags : 0);
}

// The map commands need GPS and the map shown.
int MapCommandAllowed()
{
    if (bGpsEnabled <= 0) {
        Refuse(L"Option avaiable only when GPS is enabled");
        return 0;
    }
    if (bGpsActive != 1) {
        Refuse(L"Option avaiable only when map is visible");
        return 0;
    }
    return 1;
}

// A grid interval below half a map unit is raised to it, with a note.
void CheckGridInterval()
{
    if (dGridInterval >= 0.5) return;
    dGridInterval = 0.5;
    ShowMessageDialog(hwndLog, L"MESSAGEOK", L"INFORMATION",
                      L"Grid Interval must be >= 0.5 of map unit. Program assumed minimum value.");
}

// Tile of a map coordinate at the present scale, as the map plots it.
void TileOfExtent(double dX, double dY, int *pnCol, int *pnRow)
{
    auto pixel = [](double d, double dOrigin) {
        const double v = (d - dOrigin) * dMapPixelsPerUnit + 0.5;
        if (!(v > -1.0e9)) return -1000000000;
        if (v > 1.0e9) return 1000000000;
        return (int)v;
    };
    int nOffX, nOffY;
    MapPixelToTile(pixel(dX, dMapOriginX), pixel(dY, dMapOriginY), pnCol, pnRow, &nOffX, &nOffY);
}

// The used tile range takes in every corner of the extents of everything plotted.
void WidenUsedTilesToExtents()
{
    const double adX[2] = {dExtentMinX, dExtentMaxX}, adY[2] = {dExtentMinY, dExtentMaxY};
    for (double x : adX)
        for (double y : adY) {
            int col, row;
            TileOfExtent(x, y, &col, &row);
            if (col < nTileColMin) nTileColMin = col;
            if (col > nTileColMax) nTileColMax = col;
            if (row < nTileRowMin) nTileRowMin = row;
            if (row > nTileRowMax) nTileRowMax = row;
        }
}

// 110: map size, grid interval and cursor band. A size the survey does not fit is refused with everything the
// dialog changed put back; the tile range grows only for an accepted size.
void MapScaleCommand()
{
    if (!MapCommandAllowed()) {
        RedrawProfileForInstrument();
        return;
    }
    if (DialogBox(hInst, L"MAPSCALE", hwndLog, MapScaleDlgProc) != 1) {
        RedrawProfileForInstrument();
        return;
    }
    if (nRedrawFlags != 0) {
        if (!ExtentsFitUsableTiles(dMapPixelsPerUnit)) {
            RestoreMapScaleDialogCopies();
            nRedrawFlags = 0;
            PlaySound(L"SOUND_RING", hInst, SND_ASYNC | SND_RESOURCE | SND_NOSTOP);
            ShowMessageDialog(hwndLog, L"MESSAGEOK", L"WARNING",
                              L"Map Size too small\r\nPlease select Map Size option\r\nand increase the map size\r\n");
            Repaint();
            RedrawProfileForInstrument();
            return;
        }
        nMapEdgeState = 0;
        CheckGridInterval();
        WidenUsedTilesToExtents();
        DrawMapSizeText();
    }
    SaveSettingsKeepingConfiguration();
    Repaint();
    ActOnRedrawFlags(nRedrawFlags);
}

// 111: map display options.
void DisplayOptionsCommand()
{
    if (!MapCommandAllowed()) {
        RedrawProfileForInstrument();
        return;
    }
    if (DialogBox(hInst, DisplayOptionsTemplateName(), hwndLog, DisplayOptionsDlgProc) != 1 || nRedrawFlags == 0) {
        RedrawProfileForInstrument();
        return;
    }
    CheckGridInterval();
    SaveSettingsKeepingConfiguration();
    ShowChannelCheckBoxes(1);
    Repaint();
    if (nRedrawFlags & REDRAW_MAP_SIZE) DrawMapSizeText();
    ActOnRedrawFlags(nRedrawFlags);
}

// 106, 107, 112, 126, 127, 140: a dialog, a repaint after OK where the command asks for it, the profile redrawn.
void OptionDialogCommand(int nCode)
{
    switch (nCode) {
    case 106:
        if (bGpsEnabled <= 0) Refuse(L"Option avaiable only when GPS is enabled");
        else if (DialogBox(hInst, L"SPEEDSCALE", hwndLog, SpeedScaleDlgProc) == 1) Repaint();
        break;
    case 107:
        if (!bInstrumentEnabled) Refuse(L"Option avaiable only when Instrument is enabled");
        else {
            // An instrument without a profile display dialog has nothing to open.
            if (const wchar_t *szTemplate = DisplaySetupTemplate(nInstrumentType))
                DialogBox(hInst, szTemplate, hwndLog, DisplaySetupDlgProc);
        }
        break;
    case 112:
        if (bGpsEnabled <= 0) Refuse(L"Option avaiable only when GPS is enabled");
        else DialogBox(hInst, L"GPSMASK", hwndLog, GpsMaskDlgProc);
        break;
    case 126:
        ClearMenuMode();
        if (DialogBox(hInst, L"AUDIOFUNCTIONS", hwndLog, AudioFunctionsDlgProc) == 1) Repaint();
        break;
    case 127:
        if (DialogBox(hInst, L"COORDINATESUNITS", hwndLog, CoordinatesUnitsDlgProc) == 1) Repaint();
        break;
    case 140: DialogBox(hInst, L"DRIFTREMINDER", hwndLog, DriftReminderDlgProc); break;
    default: return;
    }
    RedrawProfileForInstrument();
}

}  // namespace

void RunScreenLogCommandCode(int nCode)
{
    // Every command runs with the map's position updates off and ends with the focus on the logging screen.
    struct CommandFrame {
        CommandFrame() { bMapUpdatesOn = 0; }
        ~CommandFrame()
        {
            bMapUpdatesOn = 1;
            if (hwndLog) SetFocus(hwndLog);
        }
    };
    switch (nCode) {
    case 109: ToggleMapView(); break;
    case 101: {
        CommandFrame frame;
        if (!NewLineCommand()) RedrawProfileForInstrument();
        break;
    }
    case 102: {
        CommandFrame frame;
        NewStationCommand();
        RedrawProfileForInstrument();
        break;
    }
    case 103: {
        CommandFrame frame;
        DialogBox(hInst, L"COMMENT", hwndLog, CommentDlgProc);
        RedrawProfileForInstrument();
        break;
    }
    case 104:
        bMapUpdatesOn = 0;
        StartNullingCommand();
        bMapUpdatesOn = 1;
        if (hwndLog) SetFocus(hwndLog);
        break;
    case 113:
    case 114:
    case 115:
    case 116:
    case 117:
    case 118:
    case 119: {
        // The view commands work on the survey's tiles: a data file open and the map shown.
        CommandFrame frame;
        if (IsOpen(hDataFile) && bGpsActive == 1) MapViewCommand(nCode);
        break;
    }
    case 120: {
        CommandFrame frame;
        EnterMapReview();
        break;
    }
    case 121: {
        CommandFrame frame;
        ExitMapReview();
        break;
    }
    case 108: {
        CommandFrame frame;
        ClearMenuMode();
        RepaintLogScreen();
        if (bGpsEnabled > 0) ShowPleaseWait();
        RedrawProfileForInstrument();
        break;
    }
    case 142:
    case 143:
    case 144:
    case 145:
    case 146:
    case 147:
    case 148:
    case 149: {
        CommandFrame frame;
        ChannelBoxCommand(nCode);
        RedrawProfileForInstrument();
        break;
    }
    case 128:
        if (nInstrumentType == INSTRUMENT_EM38MK2) {
            ClearMenuMode();
            StartEm38Mk2Calibration();
        } else if (nInstrumentType == INSTRUMENT_EM61LX2) {
            bMapUpdatesOn = 0;
            StartFilterCalibrationCommand();
            bMapUpdatesOn = 1;
            if (hwndLog) SetFocus(hwndLog);
        } else if (nInstrumentType == INSTRUMENT_EM384) {
            StartEm384Calibration();
        }
        break;
    case 129:
        ClearMenuMode();
        if (nInstrumentType == INSTRUMENT_EM38MK2) {
            RemoveEm38Mk2Calibration();
            nEm384CalibrationState = 0;  // the calibration-present state
            for (int i = 0; i < 16; i++) abCurveHasPrev[i] = 0;
            if (hwndLog) {
                InvalidateRect(hwndLog, nullptr, TRUE);
                UpdateWindow(hwndLog);
            }
            RedrawProfileForInstrument();
            RefreshReadingWindows();
        } else if (nInstrumentType == INSTRUMENT_EM384) {
            RemoveEm384Calibration();
        }
        break;
    case 132:
        bMapUpdatesOn = 0;
        OpenAlarmLx2Dialog(hwndLog);
        if (hwndLog) {
            HDC hdc = GetDC(hwndLog);
            if (hdc) {
                DrawModeIndicator(hdc);
                ReleaseDC(hwndLog, hdc);
            }
        }
        RedrawProfileForInstrument();
        bMapUpdatesOn = 1;
        if (hwndLog) SetFocus(hwndLog);
        break;
    case 141:
        if (nInstrumentType == INSTRUMENT_EM384) StartEm384DriftControl();
        break;
    case 130: {
        CommandFrame frame;
        LoadBackgroundCommand();
        RedrawProfileForInstrument();
        break;
    }
    case 131: {
        CommandFrame frame;
        RemoveBackgroundFiles(hwndLog);
        RedrawProfileForInstrument();
        break;
    }
    case 105: {
        CommandFrame frame;
        ReadingScaleCommand();
        break;
    }
    case 110: {
        CommandFrame frame;
        MapScaleCommand();
        break;
    }
    case 111: {
        CommandFrame frame;
        DisplayOptionsCommand();
        break;
    }
    case 106:
    case 107:
    case 112:
    case 126:
    case 127: {
        CommandFrame frame;
        OptionDialogCommand(nCode);
        break;
    }
    case 140:
        // The map's position updates go on while the reminder time is chosen.
        OptionDialogCommand(nCode);
        if (hwndLog) SetFocus(hwndLog);
        break;
    default:
        // Codes that no menu entry or key of this screen gives do nothing.
        break;
    }
}

LRESULT OnScreenLogCommand(HWND hwnd, UINT message, WPARAM wParam, LPARAM)
{
    SetFocus(hwnd);
    ScreenLogInput in = DecodeScreenLogInput(message, wParam);
    if (in.nButton != kNone) RunScreenButton(in.nButton);
    if (in.nCode != kNone) RunScreenLogCommandCode(in.nCode);
    return 0;
}
