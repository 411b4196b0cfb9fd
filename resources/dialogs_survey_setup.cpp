// Dialog templates of Survey Setup (SURVEYSETUP*) and Array Geometry (ARRAYGEOMETRY*).
#include <vector>

#include "dialogs/array_geometry_dialog.h"
#include "dialogs/survey_setup_dialog.h"
#include "resources/resources.h"

namespace {

const DWORD kSetupStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME;
const DWORD kList = WS_TABSTOP | WS_VSCROLL;
const DWORD kEdit = WS_TABSTOP | WS_BORDER | ES_AUTOHSCROLL;

// ---------------------------------------------------------------------------------------------------------------
// Survey Setup: one column of labelled rows in two groups, the survey settings of the instrument above the
// survey line and its stations.
// ---------------------------------------------------------------------------------------------------------------
const int kSurveyWidth = 200;
const int kRowStep = 12;

struct SurveyRow {
    int labelId;
    const wchar_t *label;
    int id;
    DialogControlKind kind;
};
const SurveyRow kModeRow = {-1, L"Survey Mode:", IDC_SURVEY_MODE, DC_COMBOBOX};
const SurveyRow kRateRow = {IDC_SURVEY_RATE_LABEL, L"Readings/s:", IDC_SURVEY_RATE, DC_EDITTEXT};
const SurveyRow kComponentRow = {-1, L"Component:", IDC_SURVEY_COMPONENT, DC_COMBOBOX};
const SurveyRow kDipoleRow = {-1, L"Dipole Mode:", IDC_SURVEY_DIPOLE, DC_COMBOBOX};
const SurveyRow kEm34DipoleRow = {IDC_SURVEY_DIPOLE_LABEL, L"Dipole/Separ.:", IDC_SURVEY_DIPOLE, DC_COMBOBOX};
const SurveyRow kNullRow = {-1, L"Apply Nulling:", IDC_SURVEY_NULL_APPLY, DC_COMBOBOX};
const SurveyRow kOffsetXRow = {-1, L"GPS Offset X (m):", IDC_SURVEY_OFFSET_X, DC_EDITTEXT};
const SurveyRow kOffsetYRow = {-1, L"GPS Offset Y (m):", IDC_SURVEY_OFFSET_Y, DC_EDITTEXT};

struct SurveyLayout {
    const wchar_t *name;
    std::vector<SurveyRow> settings;  // rows of the "Survey Settings" group (none: no group)
    const wchar_t *incrementLabel;    // first text of label 1119
};

void AddSurveyRow(std::vector<DialogControl> &v, int y, const SurveyRow &row)
{
    v.push_back({row.labelId, DC_LTEXT, row.label, 10, y + 2, 86, 9, 0});
    if (row.kind == DC_COMBOBOX) v.push_back({row.id, DC_COMBOBOX, L"", 100, y, 92, 70, kList});
    else v.push_back({row.id, DC_EDITTEXT, L"", 100, y, 92, 11, kEdit});
}

// Lays out one SURVEYSETUP template; returns its height in dialog units.
int BuildSurveyControls(const SurveyLayout &layout, std::vector<DialogControl> &v)
{
    int y = 2;
    if (!layout.settings.empty()) {
        const int h = 11 + kRowStep * (int)layout.settings.size() + 2;
        v.push_back({-1, DC_GROUPBOX, L"Survey Settings", 4, y, kSurveyWidth - 8, h, 0});
        for (size_t i = 0; i < layout.settings.size(); i++)
            AddSurveyRow(v, y + 11 + kRowStep * (int)i, layout.settings[i]);
        y += h + 3;
    }
    const SurveyRow lineRows[] = {
        {-1, L"Survey Line:", IDC_SURVEY_LINE, DC_EDITTEXT},
        {-1, L"Line Increment:", IDC_SURVEY_LINE_INCREMENT, DC_EDITTEXT},
        {-1, L"Line Mode:", IDC_SURVEY_LINE_MODE, DC_COMBOBOX},
        {-1, L"Line Direction:", IDC_SURVEY_LINE_DIRECTION, DC_COMBOBOX},
        {-1, L"Start Station:", IDC_SURVEY_START_STATION, DC_EDITTEXT},
        {IDC_SURVEY_INCREMENT_LABEL, layout.incrementLabel, IDC_SURVEY_STATION_INCREMENT, DC_EDITTEXT},
    };
    const int nLineRows = (int)(sizeof lineRows / sizeof lineRows[0]);
    const int h = 11 + kRowStep * nLineRows + 2;
    v.push_back({-1, DC_GROUPBOX, L"Survey Line Settings", 4, y, kSurveyWidth - 8, h, 0});
    for (int i = 0; i < nLineRows; i++) AddSurveyRow(v, y + 11 + kRowStep * i, lineRows[i]);
    y += h + 4;
    v.push_back({IDOK, DC_DEFPUSHBUTTON, L"OK", 96, y, 46, 14, WS_TABSTOP});
    v.push_back({IDCANCEL, DC_PUSHBUTTON, L"Cancel", 146, y, 46, 14, WS_TABSTOP});
    return y + 18;
}

const SurveyLayout kSurveyLayouts[] = {
    {L"SURVEYSETUP", {kModeRow, kRateRow, kNullRow}, L"Station Increment"},
    {L"SURVEYSETUP31", {kRateRow, kComponentRow, kDipoleRow}, L"Station Increment"},
    {L"SURVEYSETUP38", {kRateRow, kComponentRow, kDipoleRow}, L"Station Increment"},
    {L"SURVEYSETUP34", {kModeRow, kRateRow, kEm34DipoleRow}, L"Stn. Increment"},
    {L"SURVEYSETUP38MK2", {kRateRow, kDipoleRow}, L"Station Increment"},
    {L"SURVEYSETUP384", {}, L"Station Increment"},
    {L"SURVEYSETUPLX2", {kRateRow, kNullRow, kOffsetXRow, kOffsetYRow}, L"Station Increment"},
    {L"SURVEYSETUP601", {}, L"Station Increment"},
};
const int kSurveyTemplates = (int)(sizeof kSurveyLayouts / sizeof kSurveyLayouts[0]);

// ---------------------------------------------------------------------------------------------------------------
// Array Geometry: the drawn array in "Geometry Description" beside (or, narrow, above) the antenna location and
// the instrument's own group.
// ---------------------------------------------------------------------------------------------------------------
const DialogControl kGeometryPicture[] = {
    {-1, DC_GROUPBOX, L"Geometry Description", 4, 2, 96, 122, 0},
    {IDC_GEOMETRY_PICTURE, DC_OWNERDRAW, L"", 8, 13, 88, 107, 0},
};
const DialogControl kGeometryLocation[] = {
    {-1, DC_GROUPBOX, L"GPS Antenna Location", 104, 2, 92, 86, 0},
    {IDC_GEOMETRY_METERS, DC_RADIOBUTTON, L"meters", 108, 13, 84, 10, WS_TABSTOP | WS_GROUP},
    {IDC_GEOMETRY_CENTIMETERS, DC_RADIOBUTTON, L"centimeters", 108, 24, 84, 10, 0},
    {IDC_GEOMETRY_FEET, DC_RADIOBUTTON, L"feet", 108, 35, 84, 10, 0},
    {IDC_GEOMETRY_INCHES, DC_RADIOBUTTON, L"inches", 108, 46, 84, 10, 0},
    {-1, DC_LTEXT, L"X Offset:", 108, 61, 40, 9, 0},
    {IDC_GEOMETRY_OFFSET_X, DC_EDITTEXT, L"", 150, 59, 42, 11, kEdit},
    {-1, DC_LTEXT, L"Y Offset:", 108, 74, 40, 9, 0},
    {IDC_GEOMETRY_OFFSET_Y, DC_EDITTEXT, L"", 150, 72, 42, 11, kEdit},
};
const DialogControl kGeometryLocationMetres[] = {
    {-1, DC_GROUPBOX, L"GPS Antenna Location", 104, 2, 92, 86, 0},
    {-1, DC_LTEXT, L"All parameters in this dialog must be entered in metres", 108, 13, 84, 36, 0},
    {-1, DC_LTEXT, L"X Offset:", 108, 61, 40, 9, 0},
    {IDC_GEOMETRY_OFFSET_X, DC_EDITTEXT, L"", 150, 59, 42, 11, kEdit},
    {-1, DC_LTEXT, L"Y Offset:", 108, 74, 40, 9, 0},
    {IDC_GEOMETRY_OFFSET_Y, DC_EDITTEXT, L"", 150, 72, 42, 11, kEdit},
};
const DialogControl kGeometrySensorSize[] = {
    {-1, DC_GROUPBOX, L"Sensor Size", 104, 90, 92, 34, 0},
    {IDC_GEOMETRY_LIST, DC_COMBOBOX, L"", 108, 103, 84, 70, kList},
};
const DialogControl kGeometryReference[] = {
    {-1, DC_GROUPBOX, L"Reference for GPS Antenna", 104, 90, 92, 34, 0},
    {IDC_GEOMETRY_LIST, DC_COMBOBOX, L"", 108, 103, 84, 70, kList},
};
const DialogControl kGeometryHeight[] = {
    {-1, DC_GROUPBOX, L"EM38-4 Vertical Position", 104, 90, 92, 34, 0},
    {-1, DC_LTEXT, L"Height:", 108, 105, 40, 9, 0},
    {IDC_GEOMETRY_THIRD, DC_EDITTEXT, L"", 150, 103, 42, 11, kEdit},
};
const DialogControl kGeometrySeparation[] = {
    {-1, DC_GROUPBOX, L"Sensors Separation", 104, 90, 92, 34, 0},
    {-1, DC_LTEXT, L"Separation:", 108, 101, 40, 9, 0},
    {IDC_GEOMETRY_THIRD, DC_EDITTEXT, L"", 150, 99, 42, 11, kEdit},
    {-1, DC_LTEXT, L"Valid for 2 Sensors Model", 108, 112, 84, 10, 0},
};
const DialogControl kGeometryButtons[] = {
    {IDOK, DC_DEFPUSHBUTTON, L"OK", 104, 128, 44, 14, WS_TABSTOP},
    {IDCANCEL, DC_PUSHBUTTON, L"Cancel", 152, 128, 44, 14, WS_TABSTOP},
};
const DialogControl kGeometryNarrow[] = {
    {-1, DC_GROUPBOX, L"Geometry Description", 4, 2, 152, 50, 0},
    {IDC_GEOMETRY_PICTURE, DC_OWNERDRAW, L"", 8, 12, 144, 37, 0},
    {-1, DC_GROUPBOX, L"GPS Antenna Location", 4, 54, 152, 62, 0},
    {IDC_GEOMETRY_METERS, DC_RADIOBUTTON, L"meters", 8, 65, 70, 10, WS_TABSTOP | WS_GROUP},
    {IDC_GEOMETRY_CENTIMETERS, DC_RADIOBUTTON, L"centimeters", 80, 65, 72, 10, 0},
    {IDC_GEOMETRY_FEET, DC_RADIOBUTTON, L"feet", 8, 76, 70, 10, 0},
    {IDC_GEOMETRY_INCHES, DC_RADIOBUTTON, L"inches", 80, 76, 72, 10, 0},
    {-1, DC_LTEXT, L"X Offset:", 8, 90, 68, 9, 0},
    {IDC_GEOMETRY_OFFSET_X, DC_EDITTEXT, L"", 80, 88, 72, 11, kEdit},
    {-1, DC_LTEXT, L"Y Offset:", 8, 103, 68, 9, 0},
    {IDC_GEOMETRY_OFFSET_Y, DC_EDITTEXT, L"", 80, 101, 72, 11, kEdit},
    {-1, DC_GROUPBOX, L"Sensor Size", 4, 118, 152, 28, 0},
    {IDC_GEOMETRY_LIST, DC_COMBOBOX, L"", 8, 129, 144, 70, kList},
    {IDOK, DC_DEFPUSHBUTTON, L"OK", 64, 150, 44, 14, WS_TABSTOP},
    {IDCANCEL, DC_PUSHBUTTON, L"Cancel", 112, 150, 44, 14, WS_TABSTOP},
};

struct ControlBlock {
    const DialogControl *controls;
    int count;
};
template <size_t N>
constexpr ControlBlock Block(const DialogControl (&a)[N])
{
    return {a, (int)N};
}
struct GeometryLayout {
    const wchar_t *name;
    int cx, cy;
    std::vector<ControlBlock> blocks;
};
const GeometryLayout kGeometryLayouts[] = {
    {L"ARRAYGEOMETRY", 200, 146,
     {Block(kGeometryPicture), Block(kGeometryLocation), Block(kGeometrySensorSize), Block(kGeometryButtons)}},
    {L"ARRAYGEOMETRYNARROW", 160, 168, {Block(kGeometryNarrow)}},
    {L"ARRAYGEOMETRY31", 200, 146, {Block(kGeometryPicture), Block(kGeometryLocation), Block(kGeometryButtons)}},
    {L"ARRAYGEOMETRY38", 200, 146, {Block(kGeometryPicture), Block(kGeometryLocation), Block(kGeometryButtons)}},
    {L"ARRAYGEOMETRY34", 200, 146,
     {Block(kGeometryPicture), Block(kGeometryLocation), Block(kGeometryReference), Block(kGeometryButtons)}},
    {L"ARRAYGEOMETRY384", 200, 146,
     {Block(kGeometryPicture), Block(kGeometryLocation), Block(kGeometryHeight), Block(kGeometryButtons)}},
    {L"ARRAYGEOMETRY601", 200, 146,
     {Block(kGeometryPicture), Block(kGeometryLocationMetres), Block(kGeometrySeparation), Block(kGeometryButtons)}},
};
const int kGeometryTemplates = (int)(sizeof kGeometryLayouts / sizeof kGeometryLayouts[0]);

}  // namespace

void RegisterSurveySetupDialogTemplates()
{
    static std::vector<DialogControl> aControls[kSurveyTemplates + kGeometryTemplates];
    static DialogTemplate aTemplates[kSurveyTemplates + kGeometryTemplates];
    static bool bBuilt = false;
    if (!bBuilt) {
        for (int i = 0; i < kSurveyTemplates; i++) {
            const int cy = BuildSurveyControls(kSurveyLayouts[i], aControls[i]);
            aTemplates[i] = {kSurveyLayouts[i].name, L"Survey Setup", kSurveyWidth, cy, 16, L"Microsoft Sans Serif",
                             kSetupStyle, nullptr, 0};
        }
        for (int i = 0; i < kGeometryTemplates; i++) {
            const GeometryLayout &g = kGeometryLayouts[i];
            std::vector<DialogControl> &v = aControls[kSurveyTemplates + i];
            for (const ControlBlock &b : g.blocks) v.insert(v.end(), b.controls, b.controls + b.count);
            aTemplates[kSurveyTemplates + i] = {g.name, L"Geometry Setup", g.cx, g.cy, 16, L"Microsoft Sans Serif",
                                                kSetupStyle, nullptr, 0};
        }
        for (int i = 0; i < kSurveyTemplates + kGeometryTemplates; i++) {
            aTemplates[i].controls = aControls[i].data();
            aTemplates[i].controlCount = (int)aControls[i].size();
        }
        bBuilt = true;
    }
    RegisterDialogTemplates(aTemplates, kSurveyTemplates + kGeometryTemplates);
}
