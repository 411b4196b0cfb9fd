// Control ids of the System Setup, GPS Port Setup and GPS Warning Mask templates, and the read-back they share.
#pragma once

#include "platform/platform.h"

// System Setup (SYSTEM*).
enum {
    IDC_SYS_DISCONNECT_ALARM = 601,  // check
    IDC_SYS_AUDIO_TICKS = 603,       // check
    IDC_SYS_SENSORS = 910,           // list: "1 Sensor", "2 Sensors"
    IDC_SYS_SOFT_MARKER = 911,       // list
    IDC_SYS_FILTER_LEFT = 914,       // edit
    IDC_SYS_FILTER_RIGHT = 915,      // edit
    IDC_SYS_STATE_LABEL = 1001,
    IDC_SYS_PORT_LABEL = 1002,
    IDC_SYS_TYPE_LABEL = 1003,
    IDC_SYS_TYPE = 1121,          // list: instrument type (EM38-4: inphase units)
    IDC_SYS_RATE = 1122,          // list: EM38-4 update rate, CS-21 port baud rate
    IDC_SYS_INSTRUMENT_PORT = 1125,
    IDC_SYS_INSTRUMENT_STATE = 1126,
    IDC_SYS_TILT_STATE = 1127,
    IDC_SYS_GPS_PORT = 1134,
    IDC_SYS_TILT_PORT = 1135,
    IDC_SYS_PAUSE_KEY = 1136,
    IDC_SYS_SPEED_UNITS = 1138,
    IDC_SYS_COORD_UNITS = 1244,
    IDC_SYS_DRIFT_REMINDER = 1245,
    IDC_SYS_ANTENNA_HEIGHT = 1309,  // edit
    IDC_SYS_RIGID_FIX = 1310,       // check
    IDC_SYS_HEIGHT_LABEL = 1311,
};

// GPS Port Setup (GPSINPUT, GPSINPUTNARROW) and GPS Warning Mask (GPSMASK).
enum {
    IDC_GPS_MASK_AUDIO = 602,        // check (GPS Port Setup)
    IDC_GPSMASK_AUDIO = 604,         // check (GPS Warning Mask)
    IDC_GPS_ENABLED = 1163,
    IDC_GPS_FORMAT = 1164,
    IDC_GPS_PORT = 1165,
    IDC_GPS_BAUD = 1166,
    IDC_GPS_PARITY = 1167,
    IDC_GPS_DATA_BITS = 1168,
    IDC_GPS_STOP_BITS = 1169,
    IDC_GPS_RTS_UNITS = 1170,
    IDC_GPS_QUALITY_LABEL = 1240,
    IDC_GPS_SATELLITES_LABEL = 1241,
    IDC_GPS_MASK_ENABLED = 1246,
    IDC_GPS_MAX_DOP = 1247,          // edit
    IDC_GPS_MIN_QUALITY = 1248,
    IDC_GPS_MIN_SATELLITES = 1249,
    IDC_GPSMASK_ENABLED = 1250,
    IDC_GPSMASK_MIN_QUALITY = 1251,
    IDC_GPSMASK_MAX_DOP = 1252,      // edit
    IDC_GPSMASK_MIN_SATELLITES = 1253,
    IDC_GPS_DOP_LABEL = 1254,
    IDC_GPS_WARNING_LABEL = 1255,
    IDC_GPS_PSEUDO_GGA = 1306,       // check
    IDC_GPS_RTS_UNITS_LABEL = 1307,
};

// Fills list nId with "COM1:" .. "COM99:" and selects port index nSelected.
void FillPortList(HWND hDlg, int nId, int nSelected);

