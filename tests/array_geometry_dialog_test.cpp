// Array Geometry dialog in the real program: each control stored on OK into its line of the configuration file
// (lengths in metres whatever the units typed) and shown again after a restart, Cancel and the C key leaving the
// file as it was, the swath edges of each instrument, and the drawn array picture of each template.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

#include "core/core.h"
#include "core/settings.h"
#include "dialogs/array_geometry_dialog.h"
#include "dialogs/setup_dialogs.h"
#include "setup_dialog_test_support.h"

using namespace setup_test;

namespace {

const wchar_t *GeometryTemplate(int type)
{
    switch (type) {
    case INSTRUMENT_GRAD601: return L"ARRAYGEOMETRY601";
    case INSTRUMENT_EM31MK2: return L"ARRAYGEOMETRY31";
    case INSTRUMENT_EM38:
    case INSTRUMENT_EM38MK2: return L"ARRAYGEOMETRY38";
    case INSTRUMENT_EM34: return L"ARRAYGEOMETRY34";
    case INSTRUMENT_EM384:
    case INSTRUMENT_CS21: return L"ARRAYGEOMETRY384";
    default: return nClientWidth < 600 ? L"ARRAYGEOMETRYNARROW" : L"ARRAYGEOMETRY";
    }
}

TEST(ArrayGeometryDialog, EachControlWritesItsLineAndARestartShowsIt)
{
    const std::vector<LineCase> aCase = {
        {"em61mk2_cm", INSTRUMENT_EM61MK2, 1,
         [](HWND d) {
             PlatformSetDialogCheck(d, IDC_GEOMETRY_CENTIMETERS, true);
             PlatformTypeIntoEdit(d, IDC_GEOMETRY_OFFSET_X, L"30");
             PlatformTypeIntoEdit(d, IDC_GEOMETRY_OFFSET_Y, L"-12.5");
             PlatformPickListItem(d, IDC_GEOMETRY_LIST, 4);
         },
         "5=4; 42=1; 43=0.300000; 44=-0.125000",
         [] {
             return nGeometryUnits == 1 && Near(dGpsOffsetX, 0.3) && Near(dGpsOffsetY, -0.125) && nSensorSize == 4;
         }},
        {"em34_feet", INSTRUMENT_EM34, 0,
         [](HWND d) {
             PlatformSetDialogCheck(d, IDC_GEOMETRY_FEET, true);
             PlatformTypeIntoEdit(d, IDC_GEOMETRY_OFFSET_Y, L"10");
             PlatformPickListItem(d, IDC_GEOMETRY_LIST, 2);
         },
         "44=2; 46=3.048000; 47=2", [] { return nGeometryUnits == 2 && Near(dGpsOffsetY, 3.048) && nReference == 2; }},
        {"em31_inches", INSTRUMENT_EM31MK2, 1,
         [](HWND d) {
             PlatformSetDialogCheck(d, IDC_GEOMETRY_INCHES, true);
             PlatformTypeIntoEdit(d, IDC_GEOMETRY_OFFSET_X, L"-20");
         },
         "44=3; 45=-0.508000", [] { return nGeometryUnits == 3 && Near(dGpsOffsetX, -0.508); }},
        {"em384_height", INSTRUMENT_EM384, 0,
         [](HWND d) {
             PlatformTypeIntoEdit(d, IDC_GEOMETRY_THIRD, L"0.45");
             PlatformTypeIntoEdit(d, IDC_GEOMETRY_OFFSET_X, L"0.1");
         },
         "76=0.100000; 113=0.450000", [] { return Near(dEm384Height, 0.45) && Near(dGpsOffsetX, 0.1); }},
        {"grad601_separation", INSTRUMENT_GRAD601, 1,
         [](HWND d) {
             PlatformTypeIntoEdit(d, IDC_GEOMETRY_THIRD, L"1.5");
             PlatformTypeIntoEdit(d, IDC_GEOMETRY_OFFSET_Y, L"2");
         },
         "7=1.500000; 33=2.000000", [] { return Near(dSensorSeparation, 1.5) && Near(dGpsOffsetY, 2.0); }},
    };
    ExpectEachLineAndRestart(aCase, GeometryTemplate, ArrayGeometryDlgProc, 1, "geometry_lines_");
}

TEST(ArrayGeometryDialog, CancelEscapeAndTheCKeyLeaveEverythingAsItWas)
{
    struct Leave {
        const char *name;
        std::function<void(HWND)> leave;
    } const aLeave[] = {
        {"cancel", [](HWND d) { PlatformPressDialogButton(d, IDCANCEL); }},
        {"escape", [](HWND) { PlatformPressKey(VK_ESCAPE); }},
        {"c_key",
         [](HWND d) {
             SetFocus(GetDlgItem(d, IDC_GEOMETRY_OFFSET_X));
             PlatformPressKey('C');  // text in the edit box, the dialog stays
             CHILD_CHECK(IsWindowVisible(d));
             CHILD_CHECK(PlatformDialogItemText(d, IDC_GEOMETRY_OFFSET_X) == L"7c");
             SetFocus(GetDlgItem(d, IDCANCEL));
             PlatformPressKey('C');
         }},
    };
    struct Build {
        int type, clientWidth;  // a main window narrower than 600 pixels takes the narrow template
    } const aBuild[] = {{INSTRUMENT_EM61MK2, 1280}, {INSTRUMENT_EM61MK2, 599}, {INSTRUMENT_EM31MK2, 1280},
                        {INSTRUMENT_EM38, 1280},    {INSTRUMENT_EM34, 1280},   {INSTRUMENT_EM384, 1280},
                        {INSTRUMENT_CS21, 1280},    {INSTRUMENT_GRAD601, 1280}};
    for (const Leave &l : aLeave) {
        for (const Build &b : aBuild) {
            const std::string name = std::string(l.name) + "_" + std::to_string(b.type) + "_" +
                                     std::to_string(b.clientWidth);
            SCOPED_TRACE(name);
            const ProgramStart start = BuildStart(b.type, 0, "geometry_leave_" + name);
            ExpectInProgram(start, [&l, &b]() {
                nClientWidth = b.clientWidth;
                const std::string before = ReadBytes(SettingsPath());
                const double dX = dGpsOffsetX, dY = dGpsOffsetY, dSeparation = dSensorSeparation;
                const double dHeight = dEm384Height;
                const int nUnits = nGeometryUnits, nSize = nSensorSize, nRef = nReference;
                const double dLeft = dSwathLeft, dRight = dSwathRight;
                INT_PTR result = OpenDialog(GeometryTemplate(nInstrumentType), ArrayGeometryDlgProc, [&l](HWND d) {
                    PlatformSetDialogCheck(d, IDC_GEOMETRY_INCHES, true);
                    PlatformTypeIntoEdit(d, IDC_GEOMETRY_OFFSET_X, L"7");
                    PlatformTypeIntoEdit(d, IDC_GEOMETRY_OFFSET_Y, L"8");
                    PlatformTypeIntoEdit(d, IDC_GEOMETRY_THIRD, L"9");
                    PlatformPickListItem(d, IDC_GEOMETRY_LIST, 2);
                    l.leave(d);
                });
                CHILD_CHECK(result == 0);
                CHILD_CHECK(ReadBytes(SettingsPath()) == before);
                CHILD_CHECK(dGpsOffsetX == dX && dGpsOffsetY == dY && dSensorSeparation == dSeparation);
                CHILD_CHECK(dEm384Height == dHeight && nGeometryUnits == nUnits && nSensorSize == nSize);
                CHILD_CHECK(nReference == nRef && dSwathLeft == dLeft && dSwathRight == dRight);
            });
        }
    }
}

// Swath edges after OK, one row per rule: the EM61-MK2 coil by its size times the swath factor, in feet with the
// map; the conductivity meters' widths by the swath index, always in metres; the CS-21 as its settings file has
// it; the Grad601 from its separation.
struct SwathCase {
    const char *name;
    int type, nSensorSize, nSwathIndex, nMapUnits, nSensorsMinus1;
    const wchar_t *offsetX, *third;
    double dLeftM, dRightM, dLeft, dRight;
};

TEST(ArrayGeometryDialog, SwathEdgesOfEachInstrument)
{
    const double ft = 0.3048;
    const SwathCase aCase[] = {
        {"hand held", INSTRUMENT_EM61MK2, 4, 5, 0, 0, L"0", L"", 0.1, 0.1, 0.1, 0.1},
        {"1 x 0.5 m coil, offset", INSTRUMENT_EM61MK2, 0, 5, 0, 0, L"0.3", L"", 0.8, 0.2, 0.8, 0.2},
        {"0.5 m coil at 200 %, feet", INSTRUMENT_EM61MK2, 1, 11, 1, 0, L"0", L"", 0.5, 0.5, 0.5 / ft, 0.5 / ft},
        {"10 m conductivity swath", INSTRUMENT_EM38, 0, 7, 0, 0, L"0", L"", 5.0, 5.0, 5.0, 5.0},
        {"metres with a map in feet", INSTRUMENT_EM34, 0, 7, 1, 0, L"0", L"", 5.0, 5.0, 5.0, 5.0},
        {"offset across", INSTRUMENT_EM31MK2, 0, 7, 0, 0, L"-0.3", L"", 4.7, 5.3, 4.7, 5.3},
        {"EM38-4 one metre", INSTRUMENT_EM384, 0, 2, 0, 0, L"0", L"0.3", 0.5, 0.5, 0.5, 0.5},
        {"CS-21 follows its offset", INSTRUMENT_CS21, 0, 3, 0, 0, L"0.5", L"0.3", 1.5, 0.5, 1.5, 0.5},
        {"Grad601 two sensors", INSTRUMENT_GRAD601, 0, 1, 0, 1, L"0", L"1.5", 1.5, 1.5, 1.5, 1.5},
    };
    for (const SwathCase &c : aCase) {
        SCOPED_TRACE(c.name);
        const std::string root = "geometry_swath_" + std::to_string(&c - aCase);
        ExpectInProgram(BuildStart(c.type, 0, root), [&c]() {
            nSensorSize = c.nSensorSize;
            nSwathIndex = c.nSwathIndex;
            nMapUnits = c.nMapUnits;
            nSensorsMinus1 = c.nSensorsMinus1;
            nGeometryUnits = 0;
            OpenDialog(GeometryTemplate(nInstrumentType), ArrayGeometryDlgProc, [&c](HWND d) {
                PlatformTypeIntoEdit(d, IDC_GEOMETRY_OFFSET_X, c.offsetX);
                PlatformTypeIntoEdit(d, IDC_GEOMETRY_THIRD, c.third);
                PlatformPressDialogButton(d, IDOK);
            });
            std::fprintf(stderr, "%g %g %g %g\n", dSwathLeftM, dSwathRightM, dSwathLeft, dSwathRight);
            CHILD_CHECK(Near(dSwathLeftM, c.dLeftM) && Near(dSwathRightM, c.dRightM));
            CHILD_CHECK(Near(dSwathLeft, c.dLeft) && Near(dSwathRight, c.dRight));
        });
    }
}

TEST(ArrayGeometryDialog, TypedNumbersTakeTheUnitsChosenLast)
{
    ExpectInProgram(BuildStart(INSTRUMENT_EM61MK2, 1, "geometry_units"), []() {
        nGeometryUnits = 0;
        OpenDialog(L"ARRAYGEOMETRY", ArrayGeometryDlgProc, [](HWND d) {
            CHILD_CHECK(IsDlgButtonChecked(d, IDC_GEOMETRY_METERS) == BST_CHECKED);
            PlatformSetDialogCheck(d, IDC_GEOMETRY_CENTIMETERS, true);
            PlatformTypeIntoEdit(d, IDC_GEOMETRY_OFFSET_X, L"30");
            PlatformTypeIntoEdit(d, IDC_GEOMETRY_OFFSET_Y, L"-12.5");
            PlatformPressDialogButton(d, IDOK);
        });
        CHILD_CHECK(Near(dGpsOffsetX, 0.3) && Near(dGpsOffsetY, -0.125) && Near(dGpsOffsetYSaved, -0.125));
        // Opened again: the lengths in centimetres as typed.
        OpenDialog(L"ARRAYGEOMETRY", ArrayGeometryDlgProc, [](HWND d) {
            CHILD_CHECK(IsDlgButtonChecked(d, IDC_GEOMETRY_CENTIMETERS) == BST_CHECKED);
            CHILD_CHECK(PlatformDialogItemText(d, IDC_GEOMETRY_OFFSET_X) == L"30.00");
            CHILD_CHECK(PlatformDialogItemText(d, IDC_GEOMETRY_OFFSET_Y) == L"-12.50");
            // A new unit button leaves the typed numbers as they are; OK reads them in feet.
            PlatformTypeIntoEdit(d, IDC_GEOMETRY_OFFSET_X, L"1.00");
            PlatformSetDialogCheck(d, IDC_GEOMETRY_FEET, true);
            CHILD_CHECK(IsDlgButtonChecked(d, IDC_GEOMETRY_CENTIMETERS) == BST_UNCHECKED);
            CHILD_CHECK(PlatformDialogItemText(d, IDC_GEOMETRY_OFFSET_X) == L"1.00");
            PlatformPressDialogButton(d, IDOK);
        });
        CHILD_CHECK(nGeometryUnits == 2 && Near(dGpsOffsetX, 0.3048) && Near(dGpsOffsetY, -12.5 * 0.3048));
    });
}

// Pixels of one colour in a window's picture.
int CountColour(HWND hwnd, COLORREF colour)
{
    RECT rc;
    GetClientRect(hwnd, &rc);
    HDC hdc = GetDC(hwnd);
    int n = 0;
    for (int y = 0; y < rc.bottom; y++)
        for (int x = 0; x < rc.right; x++)
            if (GetPixel(hdc, x, y) == colour) n++;
    ReleaseDC(hwnd, hdc);
    return n;
}

// Each template's array, drawn by the dialog: the sensors, the antenna and the offset names; a PNG of each.
TEST(ArrayGeometryDialog, EachTemplateDrawsItsArray)
{
    struct Build {
        int type, clientWidth;
        const wchar_t *name;
    } const aBuild[] = {
        {INSTRUMENT_EM61MK2, 1280, L"ARRAYGEOMETRY"}, {INSTRUMENT_EM61MK2, 599, L"ARRAYGEOMETRYNARROW"},
        {INSTRUMENT_EM31MK2, 1280, L"ARRAYGEOMETRY31"}, {INSTRUMENT_EM38, 1280, L"ARRAYGEOMETRY38"},
        {INSTRUMENT_EM34, 1280, L"ARRAYGEOMETRY34"},    {INSTRUMENT_EM384, 1280, L"ARRAYGEOMETRY384"},
        {INSTRUMENT_GRAD601, 1280, L"ARRAYGEOMETRY601"},
    };
    for (const Build &b : aBuild) {
        const std::string name(b.name, b.name + wcslen(b.name));
        SCOPED_TRACE(name);
        ExpectInProgram(BuildStart(b.type, 0, "geometry_picture_" + name), [&b, &name]() {
            nClientWidth = b.clientWidth;
            CHILD_CHECK(wcscmp(GeometryTemplate(nInstrumentType), b.name) == 0);
            PlatformClearDrawnTexts();
            OpenDialog(b.name, ArrayGeometryDlgProc, [&name](HWND d) {
                HWND hPicture = GetDlgItem(d, IDC_GEOMETRY_PICTURE);
                CHILD_CHECK(hPicture != nullptr);
                CHILD_CHECK(CountColour(hPicture, RGB(0, 0, 160)) > 20);   // the antenna
                CHILD_CHECK(CountColour(hPicture, RGB(192, 192, 192)) > 20);  // the sensors
                int nNames = 0;
                RECT rc;
                GetClientRect(hPicture, &rc);
                for (const DrawnText &t : PlatformDrawnTexts()) {
                    if (t.window != hPicture) continue;
                    CHILD_CHECK(t.cell.left >= 0 && t.cell.top >= 0);
                    CHILD_CHECK(t.cell.right <= rc.right && t.cell.bottom <= rc.bottom);
                    if (t.text == L"GPS" || t.text == L"X" || t.text == L"Y") nNames++;
                }
                CHILD_CHECK(nNames == 3);
                const std::string png = std::string(TEST_OUTPUT_DIR "/array_geometry_") + name + ".png";
                CHILD_CHECK(PlatformSaveWindowPng(d, png));
                PlatformPressDialogButton(d, IDCANCEL);
            });
        });
    }
}

}  // namespace
