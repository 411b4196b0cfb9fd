// Dialog templates of System Setup (SYSTEM*) and the GPS input and mask dialogs (GPSINPUT*, GPSMASK).
#include "dialogs/system_dialog.h"
#include "resources/resources.h"

namespace {

// Laid out for a field tablet: each list under its label, two columns of groups, buttons large enough for a finger.
// Every variant fits the smallest landscape and portrait main windows; the narrow variants are the slimmer ones
// for portrait screens.
const DWORD kSystemStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME;
const DWORD kList = WS_TABSTOP | WS_VSCROLL;
const DWORD kEdit = WS_TABSTOP | WS_BORDER | ES_AUTOHSCROLL;
const DWORD kCheck = WS_TABSTOP;

// A list (or edit) under its label: label 9 units high, the field 10 units below its top; kPitch apart.
#define LABELLED_LIST(labelId, text, listId, x, y, w) \
    {labelId, DC_LTEXT, text, x, y, w, 9, 0}, { listId, DC_COMBOBOX, L"", x, (y) + 10, w, 90, kList }
#define LABELLED_EDIT(labelId, text, editId, x, y, w) \
    {labelId, DC_LTEXT, text, x, y, w, 9, 0}, { editId, DC_EDITTEXT, L"", x, (y) + 10, w, 11, kEdit }
constexpr int kPitch = 22;

// Columns of the wide variants (left group, right group; fields inset by 4) and of the narrow ones.
constexpr int kWideCx = 208, kWideL = 4, kWideLw = 100, kWideR = 106, kWideRw = 98;
constexpr int kNarrowCx = 188, kNarrowL = 4, kNarrowLw = 90, kNarrowR = 96, kNarrowRw = 88;

// Group boxes: caption row 10 units, then the fields.
constexpr int Row(int nTop, int n) { return nTop + 10 + n * kPitch; }
constexpr int GroupHeight(int nFields) { return 10 + nFields * kPitch + 2; }

// The SYSTEM layout: instrument state and one more list, the serial ports, the program settings and audio; the
// wide variant shows the audio group across the whole width with the long texts.
#define SYSTEM_COMMON(L, Lw, R, Rw, secondLabelId, secondLabel, secondListId)                                      \
    {-1, DC_GROUPBOX, L"Instrument Settings", L, 2, Lw, GroupHeight(2), 0},                                        \
        LABELLED_LIST(IDC_SYS_STATE_LABEL, L"EM38-MK2 State:", IDC_SYS_INSTRUMENT_STATE, (L) + 4, Row(2, 0),       \
                      (Lw) - 8),                                                                                   \
        LABELLED_LIST(secondLabelId, secondLabel, secondListId, (L) + 4, Row(2, 1), (Lw) - 8),                     \
        {-1, DC_GROUPBOX, L"Serial Ports Setup", L, 58, Lw, GroupHeight(2), 0},                                    \
        LABELLED_LIST(IDC_SYS_PORT_LABEL, L"EM38-MK2 Port:", IDC_SYS_INSTRUMENT_PORT, (L) + 4, Row(58, 0),         \
                      (Lw) - 8),                                                                                   \
        LABELLED_LIST(-1, L"GPS Port:", IDC_SYS_GPS_PORT, (L) + 4, Row(58, 1), (Lw) - 8),                          \
        {-1, DC_GROUPBOX, L"Program Settings", R, 2, Rw, GroupHeight(3), 0},                                       \
        LABELLED_LIST(-1, L"Pause Key:", IDC_SYS_PAUSE_KEY, (R) + 4, Row(2, 0), (Rw) - 8),                         \
        LABELLED_LIST(-1, L"Speed Units:", IDC_SYS_SPEED_UNITS, (R) + 4, Row(2, 1), (Rw) - 8),                     \
        LABELLED_LIST(-1, L"Coordinates Display:", IDC_SYS_COORD_UNITS, (R) + 4, Row(2, 2), (Rw) - 8)

// The audio group in the right column under the program settings (short texts).
#define AUDIO_RIGHT(R, Rw)                                                                                         \
    {-1, DC_GROUPBOX, L"Audio Settings", R, 80, Rw, 34, 0},                                                        \
        {IDC_SYS_AUDIO_TICKS, DC_CHECKBOX, L"Tiks During Data Collection", (R) + 4, 90, (Rw) - 8, 10, kCheck},     \
        {IDC_SYS_DISCONNECT_ALARM, DC_CHECKBOX, L"Alarm for any Disconnection", (R) + 4, 101, (Rw) - 8, 10, kCheck}

// The tilt meter group across the whole width below the columns (EM61-MK2 on the mapping line): state, port and
// antenna height side by side, the rigid-fix box under them.
#define TILT_GROUP(Cx, wState, wPort)                                                                              \
    {-1, DC_GROUPBOX, L"Tilt Meter Settings", 4, 116, (Cx) - 8, 44, 0},                                            \
        LABELLED_LIST(-1, L"Tilt Meter:", IDC_SYS_TILT_STATE, 8, 125, wState),                                     \
        LABELLED_LIST(-1, L"Tilt Port:", IDC_SYS_TILT_PORT, 12 + (wState), 125, wPort),                            \
        LABELLED_EDIT(IDC_SYS_HEIGHT_LABEL, L"GPS Antenna Height:", IDC_SYS_ANTENNA_HEIGHT,                        \
                      16 + (wState) + (wPort), 125, (Cx) - 24 - (wState) - (wPort)),                               \
        {IDC_SYS_RIGID_FIX, DC_CHECKBOX, L"GPS Antenna Rigid Fix with the Sensor", 8, 147, (Cx) - 16, 10, kCheck}

#define OK_CANCEL(x, y)                                                                                            \
    {IDOK, DC_DEFPUSHBUTTON, L"OK", x, y, 44, 16, WS_TABSTOP}, { IDCANCEL, DC_PUSHBUTTON, L"Cancel", (x) + 48, y, 44, 16, WS_TABSTOP }

// EM31-MK2, EM38, EM34-3, EM38-MK2 and the logging-line EM61-MK2.
const DialogControl kSystem[] = {
    SYSTEM_COMMON(kWideL, kWideLw, kWideR, kWideRw, IDC_SYS_TYPE_LABEL, L"EM38-MK2 Type:", IDC_SYS_TYPE),
    {-1, DC_GROUPBOX, L"Audio Settings", 4, 116, kWideCx - 8, 34, 0},
    {IDC_SYS_AUDIO_TICKS, DC_CHECKBOX, L"Audio Tiks During Data Collection", 8, 126, kWideCx - 16, 10, kCheck},
    {IDC_SYS_DISCONNECT_ALARM, DC_CHECKBOX, L"Audio Alarm for any Disconnection", 8, 137, kWideCx - 16, 10, kCheck},
    OK_CANCEL(kWideR + 4, 92),
};
const DialogControl kSystemNarrow[] = {
    SYSTEM_COMMON(kNarrowL, kNarrowLw, kNarrowR, kNarrowRw, IDC_SYS_TYPE_LABEL, L"EM38-MK2 Type:", IDC_SYS_TYPE),
    AUDIO_RIGHT(kNarrowR, kNarrowRw),
    OK_CANCEL(kNarrowCx / 2 - 46, 120),
};

// EM61-MK2 on the mapping line: the tilt meter and the GPS antenna height.
const DialogControl kSystemTilt61[] = {
    SYSTEM_COMMON(kWideL, kWideLw, kWideR, kWideRw, IDC_SYS_TYPE_LABEL, L"EM61-MK2 Type:", IDC_SYS_TYPE),
    AUDIO_RIGHT(kWideR, kWideRw),
    TILT_GROUP(kWideCx, 56, 56),
    OK_CANCEL(kWideCx - 96, 163),
};
const DialogControl kSystemTilt61Narrow[] = {
    SYSTEM_COMMON(kNarrowL, kNarrowLw, kNarrowR, kNarrowRw, IDC_SYS_TYPE_LABEL, L"EM61-MK2 Type:", IDC_SYS_TYPE),
    AUDIO_RIGHT(kNarrowR, kNarrowRw),
    TILT_GROUP(kNarrowCx, 48, 48),
    OK_CANCEL(kNarrowCx - 96, 163),
};

// Grad601: the sensor count in place of the type.
const DialogControl kSystem601[] = {
    SYSTEM_COMMON(kWideL, kWideLw, kWideR, kWideRw, -1, L"Sensors:", IDC_SYS_SENSORS),
    {-1, DC_GROUPBOX, L"Audio Settings", 4, 116, kWideCx - 8, 34, 0},
    {IDC_SYS_AUDIO_TICKS, DC_CHECKBOX, L"Audio Tiks During Data Collection", 8, 126, kWideCx - 16, 10, kCheck},
    {IDC_SYS_DISCONNECT_ALARM, DC_CHECKBOX, L"Audio Alarm for any Disconnection", 8, 137, kWideCx - 16, 10, kCheck},
    OK_CANCEL(kWideR + 4, 92),
};
const DialogControl kSystemNarrow601[] = {
    SYSTEM_COMMON(kNarrowL, kNarrowLw, kNarrowR, kNarrowRw, -1, L"Sensors:", IDC_SYS_SENSORS),
    AUDIO_RIGHT(kNarrowR, kNarrowRw),
    OK_CANCEL(kNarrowCx / 2 - 46, 120),
};

// EM61-LX2: type, coils, soft marker key and the two filter factors in the instrument group.
#define SYSTEM_LX2(L, Lw, R, Rw)                                                                                   \
    {-1, DC_GROUPBOX, L"Instrument Settings", L, 2, Lw, 134, 0},                                                   \
        LABELLED_LIST(IDC_SYS_STATE_LABEL, L"EM61-LX2 State:", IDC_SYS_INSTRUMENT_STATE, (L) + 4, Row(2, 0),       \
                      (Lw) - 8),                                                                                   \
        LABELLED_LIST(IDC_SYS_TYPE_LABEL, L"EM61-LX2 Type:", IDC_SYS_TYPE, (L) + 4, Row(2, 1), (Lw) - 8),          \
        LABELLED_LIST(-1, L"Sensors:", IDC_SYS_SENSORS, (L) + 4, Row(2, 2), (Lw) - 8),                             \
        LABELLED_LIST(-1, L"Soft Marker Key:", IDC_SYS_SOFT_MARKER, (L) + 4, Row(2, 3), (Lw) - 8),                 \
        {-1, DC_LTEXT, L"Filter Factor", (L) + 4, 100, (Lw) - 8, 9, 0},                                            \
        LABELLED_EDIT(-1, L"Left Coil:", IDC_SYS_FILTER_LEFT, (L) + 4, 110, ((Lw) - 12) / 2),                      \
        LABELLED_EDIT(-1, L"Right Coil:", IDC_SYS_FILTER_RIGHT, (L) + 8 + ((Lw) - 12) / 2, 110, ((Lw) - 12) / 2),  \
        {-1, DC_GROUPBOX, L"Audio Settings", L, 138, Lw, 34, 0},                                                   \
        {IDC_SYS_AUDIO_TICKS, DC_CHECKBOX, L"Tiks During Data Collection", (L) + 4, 148, (Lw) - 8, 10, kCheck},    \
        {IDC_SYS_DISCONNECT_ALARM, DC_CHECKBOX, L"Alarm for any Disconnection", (L) + 4, 159, (Lw) - 8, 10,        \
         kCheck},                                                                                                  \
        {-1, DC_GROUPBOX, L"Program Settings", R, 2, Rw, GroupHeight(3), 0},                                       \
        LABELLED_LIST(-1, L"Pause Key:", IDC_SYS_PAUSE_KEY, (R) + 4, Row(2, 0), (Rw) - 8),                         \
        LABELLED_LIST(-1, L"Speed Units:", IDC_SYS_SPEED_UNITS, (R) + 4, Row(2, 1), (Rw) - 8),                     \
        LABELLED_LIST(-1, L"Coordinates Display:", IDC_SYS_COORD_UNITS, (R) + 4, Row(2, 2), (Rw) - 8),             \
        {-1, DC_GROUPBOX, L"Serial Ports Setup", R, 80, Rw, GroupHeight(2), 0},                                    \
        LABELLED_LIST(IDC_SYS_PORT_LABEL, L"EM61-LX2 Port:", IDC_SYS_INSTRUMENT_PORT, (R) + 4, Row(80, 0),         \
                      (Rw) - 8),                                                                                   \
        LABELLED_LIST(-1, L"GPS Port:", IDC_SYS_GPS_PORT, (R) + 4, Row(80, 1), (Rw) - 8),                          \
        OK_CANCEL((R) + ((Rw) - 92) / 2, 152)

const DialogControl kSystemLx2[] = {SYSTEM_LX2(kWideL, kWideLw, kWideR, kWideRw)};
const DialogControl kSystemLx2V[] = {SYSTEM_LX2(kNarrowL, kNarrowLw, kNarrowR, kNarrowRw)};

// EM38-4 and CS-21: the instrument group with two lists of its own, the soft marker key and the drift reminder.
#define SYSTEM_MULTI(groupText, stateLabel, portLabel, typeLabel, rateLabel)                                                \
    {-1, DC_GROUPBOX, groupText, kWideL, 2, kWideLw, GroupHeight(5), 0},                                           \
        LABELLED_LIST(IDC_SYS_STATE_LABEL, stateLabel, IDC_SYS_INSTRUMENT_STATE, kWideL + 4, Row(2, 0),            \
                      kWideLw - 8),                                                                                \
        LABELLED_LIST(IDC_SYS_TYPE_LABEL, typeLabel, IDC_SYS_TYPE, kWideL + 4, Row(2, 1), kWideLw - 8),            \
        LABELLED_LIST(-1, rateLabel, IDC_SYS_RATE, kWideL + 4, Row(2, 2), kWideLw - 8),                            \
        LABELLED_LIST(-1, L"Soft Marker Key:", IDC_SYS_SOFT_MARKER, kWideL + 4, Row(2, 3), kWideLw - 8),           \
        LABELLED_LIST(-1, L"Drift Reminder:", IDC_SYS_DRIFT_REMINDER, kWideL + 4, Row(2, 4), kWideLw - 8),         \
        {-1, DC_GROUPBOX, L"Audio Settings", kWideL, 126, kWideLw, 34, 0},                                         \
        {IDC_SYS_AUDIO_TICKS, DC_CHECKBOX, L"Tiks During Data Collection", kWideL + 4, 136, kWideLw - 8, 10,       \
         kCheck},                                                                                                  \
        {IDC_SYS_DISCONNECT_ALARM, DC_CHECKBOX, L"Alarm for any Disconnection", kWideL + 4, 147, kWideLw - 8, 10,  \
         kCheck},                                                                                                  \
        {-1, DC_GROUPBOX, L"Program Settings", kWideR, 2, kWideRw, GroupHeight(3), 0},                             \
        LABELLED_LIST(-1, L"Pause Key:", IDC_SYS_PAUSE_KEY, kWideR + 4, Row(2, 0), kWideRw - 8),                   \
        LABELLED_LIST(-1, L"Speed Units:", IDC_SYS_SPEED_UNITS, kWideR + 4, Row(2, 1), kWideRw - 8),               \
        LABELLED_LIST(-1, L"Coordinates Display:", IDC_SYS_COORD_UNITS, kWideR + 4, Row(2, 2), kWideRw - 8),       \
        {-1, DC_GROUPBOX, L"Serial Ports Setup", kWideR, 80, kWideRw, GroupHeight(2), 0},                          \
        LABELLED_LIST(IDC_SYS_PORT_LABEL, portLabel, IDC_SYS_INSTRUMENT_PORT, kWideR + 4, Row(80, 0),             \
                      kWideRw - 8),                                                                                \
        LABELLED_LIST(-1, L"GPS Port:", IDC_SYS_GPS_PORT, kWideR + 4, Row(80, 1), kWideRw - 8),                    \
        OK_CANCEL(kWideCx - 96, 144)

const DialogControl kSystem384[] = {
    SYSTEM_MULTI(L"EM38-4 Settings", L"EM38-4 State:", L"EM38-4 Port:", L"Inphase Units:", L"Update Rate:")};
const DialogControl kSystemCs21[] = {
    SYSTEM_MULTI(L"Instrument Settings", L"DualEM State:", L"DualEM Port:", L"DualEM Type:", L"Port Baud Rate:")};

// GPS Port Setup: the receiver's sentences and serial line on the left, the warning mask on the right.
#define GPS_RECEIVER(L, Lw)                                                                                        \
    {-1, DC_GROUPBOX, L"GPS Receiver", L, 2, Lw, 120, 0},                                                          \
        LABELLED_LIST(-1, L"GPS Input:", IDC_GPS_ENABLED, (L) + 4, Row(2, 0), (Lw) - 8),                           \
        LABELLED_LIST(-1, L"NMEA Data:", IDC_GPS_FORMAT, (L) + 4, Row(2, 1), (Lw) - 8),                            \
        LABELLED_LIST(-1, L"Port:", IDC_GPS_PORT, (L) + 4, Row(2, 2), ((Lw) - 12) / 2),                            \
        LABELLED_LIST(-1, L"Baud Rate:", IDC_GPS_BAUD, (L) + 8 + ((Lw) - 12) / 2, Row(2, 2), ((Lw) - 12) / 2),     \
        LABELLED_LIST(-1, L"Parity:", IDC_GPS_PARITY, (L) + 4, Row(2, 3), ((Lw) - 12) / 2),                        \
        LABELLED_LIST(-1, L"Data Bits:", IDC_GPS_DATA_BITS, (L) + 8 + ((Lw) - 12) / 2, Row(2, 3),                  \
                      ((Lw) - 12) / 2),                                                                            \
        LABELLED_LIST(-1, L"Stop Bits:", IDC_GPS_STOP_BITS, (L) + 4, Row(2, 4), ((Lw) - 12) / 2)

#define GPS_MASK(R, Rw, enabledId, qualityId, dopId, satellitesId, audioId, top)                                   \
    {-1, DC_GROUPBOX, L"GPS Warning Mask", R, top, Rw, 148, 0},                                                    \
        LABELLED_LIST(IDC_GPS_WARNING_LABEL, L"Warning", enabledId, (R) + 4, Row(top, 0), (Rw) - 8),               \
        LABELLED_LIST(IDC_GPS_QUALITY_LABEL, L"Quality", qualityId, (R) + 4, Row(top, 1), (Rw) - 8),               \
        LABELLED_EDIT(IDC_GPS_DOP_LABEL, L"Quality [m]", dopId, (R) + 4, Row(top, 2), (Rw) - 8),                   \
        LABELLED_LIST(IDC_GPS_SATELLITES_LABEL, L"Satellites", satellitesId, (R) + 4, Row(top, 3), (Rw) - 8),      \
        {audioId, DC_CHECKBOX, L"Enable Audio Warning", (R) + 4, Row(top, 4), (Rw) - 8, 10, kCheck},               \
        {-1, DC_LTEXT,                                                                                             \
         L"If any of above not met then GPS circle indicator will blink in red and audio warning sound if enabled",   \
         (R) + 4, Row(top, 4) + 12, (Rw) - 8, 35, 0}

const DialogControl kGpsInput[] = {
    GPS_RECEIVER(kWideL, kWideLw),
    {-1, DC_GROUPBOX, L"RTS Options", kWideL, 124, kWideLw, 46, 0},
    {IDC_GPS_PSEUDO_GGA, DC_CHECKBOX, L"pseudo-GGA by SLAM RTS", kWideL + 4, 134, kWideLw - 8, 10, kCheck},
    {IDC_GPS_RTS_UNITS_LABEL, DC_LTEXT, L"RTS Units:", kWideL + 4, 148, 34, 9, 0},
    {IDC_GPS_RTS_UNITS, DC_COMBOBOX, L"", kWideL + 40, 146, kWideLw - 44, 40, kList},
    GPS_MASK(kWideR, kWideRw, IDC_GPS_MASK_ENABLED, IDC_GPS_MIN_QUALITY, IDC_GPS_MAX_DOP, IDC_GPS_MIN_SATELLITES,
             IDC_GPS_MASK_AUDIO, 2),
    OK_CANCEL(kWideCx - 96, 154),
};
const DialogControl kGpsInputNarrow[] = {
    GPS_RECEIVER(kNarrowL, kNarrowLw),
    {-1, DC_GROUPBOX, L"RTS Options", kNarrowL, 124, kNarrowLw, 26, 0},
    {-1, DC_LTEXT, L"RTS Units:", kNarrowL + 4, 136, 34, 9, 0},
    {IDC_GPS_RTS_UNITS, DC_COMBOBOX, L"", kNarrowL + 40, 134, kNarrowLw - 44, 40, kList},
    GPS_MASK(kNarrowR, kNarrowRw, IDC_GPS_MASK_ENABLED, IDC_GPS_MIN_QUALITY, IDC_GPS_MAX_DOP,
             IDC_GPS_MIN_SATELLITES, IDC_GPS_MASK_AUDIO, 2),
    OK_CANCEL(kNarrowCx - 96, 154),
};

// GPS Warning Mask: the mask alone.
const DialogControl kGpsMask[] = {
    LABELLED_LIST(IDC_GPS_WARNING_LABEL, L"Warning", IDC_GPSMASK_ENABLED, 8, 6, 86),
    LABELLED_LIST(IDC_GPS_QUALITY_LABEL, L"Quality", IDC_GPSMASK_MIN_QUALITY, 102, 6, 86),
    LABELLED_EDIT(IDC_GPS_DOP_LABEL, L"Quality (m)", IDC_GPSMASK_MAX_DOP, 8, 30, 86),
    LABELLED_LIST(IDC_GPS_SATELLITES_LABEL, L"Satellites", IDC_GPSMASK_MIN_SATELLITES, 102, 30, 86),
    {IDC_GPSMASK_AUDIO, DC_CHECKBOX, L"Enable Audio Warning", 8, 56, 180, 10, kCheck},
    {-1, DC_LTEXT,
     L"If any of above not met then GPS circle indicator will blink in red and audio warning sound if enabled", 8,
     70, 180, 26, 0},
    OK_CANCEL(52, 100),
};

#define TEMPLATE(name, caption, cx, cy, controls)                                                                  \
    {name, caption, cx, cy, 16, L"Microsoft Sans Serif", kSystemStyle, controls,                                   \
     (int)(sizeof controls / sizeof controls[0])}

const DialogTemplate kSystemTemplates[] = {
    TEMPLATE(L"SYSTEM", L"System Setup", kWideCx, 156, kSystem),
    TEMPLATE(L"SYSTEMNARROW", L"System Setup", kNarrowCx, 140, kSystemNarrow),
    TEMPLATE(L"SYSTEMTILT61", L"System Setup", kWideCx, 182, kSystemTilt61),
    TEMPLATE(L"SYSTEMTILT61NARROW", L"System Setup", kNarrowCx, 182, kSystemTilt61Narrow),
    TEMPLATE(L"SYSTEMLX2", L"System Setup", kWideCx, 176, kSystemLx2),
    TEMPLATE(L"SYSTEMLX2V", L"System Setup", kNarrowCx, 176, kSystemLx2V),
    TEMPLATE(L"SYSTEM384", L"System Setup", kWideCx, 164, kSystem384),
    TEMPLATE(L"SYSTEMCS21", L"System Setup", kWideCx, 164, kSystemCs21),
    TEMPLATE(L"SYSTEM601", L"System Setup", kWideCx, 156, kSystem601),
    TEMPLATE(L"SYSTEMNARROW601", L"System Setup", kNarrowCx, 140, kSystemNarrow601),
    TEMPLATE(L"GPSINPUT", L"GPS Port Setup", kWideCx, 174, kGpsInput),
    TEMPLATE(L"GPSINPUTNARROW", L"GPS Port Setup", kNarrowCx, 174, kGpsInputNarrow),
    TEMPLATE(L"GPSMASK", L"GPS Warning Mask", 196, 120, kGpsMask),
};

}  // namespace

void RegisterSystemDialogTemplates()
{
    RegisterDialogTemplates(kSystemTemplates, (int)(sizeof kSystemTemplates / sizeof kSystemTemplates[0]));
}
