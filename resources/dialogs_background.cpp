// Dialog templates of the background files: BACKGROUNDFILELOAD, BACKGROUNDFILELOADZN and BACKGROUNDFILEREMOVE.
#include "resources/resources.h"

namespace {

// Laid out for a field tablet: one column of labelled lists, buttons large enough for a finger.
const DWORD kStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME;
const DWORD kList = WS_TABSTOP | WS_VSCROLL;

#define BG_LOAD_COMMON                                                                                              \
    {-1, DC_LTEXT, L"Number of loaded files:", 6, 4, 90, 9, 0},                                                      \
    {1270, DC_LTEXT, L"0", 98, 4, 24, 9, 0},                                                                         \
    {-1, DC_GROUPBOX, L"Type of Background File", 4, 14, 196, 35, 0},                                               \
    {1271, DC_COMBOBOX, L"", 10, 24, 184, 80, kList},                                                                \
    {1272, DC_LTEXT, L"", 10, 38, 184, 9, 0},                                                                        \
    {-1, DC_GROUPBOX, L"Type of Positions Display", 4, 50, 196, 25, 0},                                              \
    {1304, DC_COMBOBOX, L"", 10, 60, 184, 150, kList},                                                               \
    {-1, DC_LTEXT, L"Coordinates Type:", 6, 78, 94, 9, 0},                                                           \
    {1273, DC_COMBOBOX, L"", 6, 87, 94, 70, kList},                                                                  \
    {-1, DC_LTEXT, L"Longitude/Easting:", 106, 78, 94, 9, 0},                                                        \
    {1274, DC_COMBOBOX, L"", 106, 87, 94, 150, kList},                                                               \
    {-1, DC_LTEXT, L"Latitude/Northing:", 6, 102, 94, 9, 0},                                                         \
    {1275, DC_COMBOBOX, L"", 6, 111, 94, 150, kList},                                                                \
    {-1, DC_LTEXT, L"Column Delimiter:", 106, 102, 94, 9, 0},                                                        \
    {1276, DC_COMBOBOX, L"", 106, 111, 94, 70, kList},                                                               \
    {1282, DC_LTEXT, L"Coordinates in ASCII file must be in WGS1984 Datum", 6, 152, 194, 9, 0},                      \
    {IDOK, DC_DEFPUSHBUTTON, L"OK", 106, 130, 44, 18, WS_TABSTOP},                                                   \
    {IDCANCEL, DC_PUSHBUTTON, L"Cancel", 156, 130, 44, 18, WS_TABSTOP}

const DialogControl kLoad[] = {
    BG_LOAD_COMMON,
};

const DialogControl kLoadZn[] = {
    BG_LOAD_COMMON,
    {-1, DC_LTEXT, L"Labels Column:", 6, 126, 94, 9, 0},
    {1277, DC_COMBOBOX, L"", 6, 135, 94, 150, kList},
};

#define BG_REMOVE_ROW(i, label, x, y)                                                                               \
    {1283 + (i), DC_CHECKBOX, label, x, y, 24, 11, WS_TABSTOP | DC_HIDDEN},                                         \
    {1293 + (i), DC_LTEXT, L"", (x) + 25, (y) + 1, 70, 9, DC_HIDDEN}

const DialogControl kRemove[] = {
    {-1, DC_LTEXT, L"List of loaded background files:", 6, 4, 194, 9, 0},
    BG_REMOVE_ROW(0, L"  1.", 6, 16),
    BG_REMOVE_ROW(1, L"  2.", 6, 29),
    BG_REMOVE_ROW(2, L"  3.", 6, 42),
    BG_REMOVE_ROW(3, L"  4.", 6, 55),
    BG_REMOVE_ROW(4, L"  5.", 6, 68),
    BG_REMOVE_ROW(5, L"  6.", 104, 16),
    BG_REMOVE_ROW(6, L"  7.", 104, 29),
    BG_REMOVE_ROW(7, L"  8.", 104, 42),
    BG_REMOVE_ROW(8, L"  9.", 104, 55),
    BG_REMOVE_ROW(9, L" 10.", 104, 68),
    {-1, DC_LTEXT, L"Select each file that is to be removed or click on the Select All button to remove all files ",
     6, 84, 194, 20, 0},
    {1303, DC_PUSHBUTTON, L"Select All", 6, 108, 60, 18, WS_TABSTOP},
    {IDOK, DC_DEFPUSHBUTTON, L"OK", 106, 108, 44, 18, WS_TABSTOP},
    {IDCANCEL, DC_PUSHBUTTON, L"Cancel", 156, 108, 44, 18, WS_TABSTOP},
};

const DialogTemplate kBackgroundTemplates[] = {
    {L"BACKGROUNDFILELOAD", L"Load BackGround File", 204, 164, 16, L"Microsoft Sans Serif", kStyle, kLoad,
     (int)(sizeof kLoad / sizeof kLoad[0])},
    {L"BACKGROUNDFILELOADZN", L"Load BackGround File", 204, 164, 16, L"Microsoft Sans Serif", kStyle, kLoadZn,
     (int)(sizeof kLoadZn / sizeof kLoadZn[0])},
    {L"BACKGROUNDFILEREMOVE", L"Remove BackGround Files", 204, 132, 16, L"Microsoft Sans Serif", kStyle, kRemove,
     (int)(sizeof kRemove / sizeof kRemove[0])},
};

}  // namespace

void RegisterBackgroundDialogTemplates()
{
    RegisterDialogTemplates(kBackgroundTemplates, (int)(sizeof kBackgroundTemplates / sizeof kBackgroundTemplates[0]));
}
