// Array Geometry dialog (ARRAYGEOMETRY templates): control ids and the drawn array picture.
#pragma once

#include "platform/platform.h"

// Control ids of the ARRAYGEOMETRY templates.
enum {
    IDC_GEOMETRY_OFFSET_X = 1151,
    IDC_GEOMETRY_OFFSET_Y = 1152,
    IDC_GEOMETRY_THIRD = 1153,      // Grad601 sensor separation, EM38-4 / CS-21 sensor height
    IDC_GEOMETRY_METERS = 1155,     // 1155 + nGeometryUnits: meters, centimeters, feet, inches
    IDC_GEOMETRY_CENTIMETERS = 1156,
    IDC_GEOMETRY_FEET = 1157,
    IDC_GEOMETRY_INCHES = 1158,
    IDC_GEOMETRY_PICTURE = 1159,    // owner-drawn: the array seen from above
    IDC_GEOMETRY_LIST = 1162,       // EM61-MK2 sensor size, EM34-3 reference
};

// Draws the array of the build's instrument from above into rc: the sensors, the GPS antenna and the X and Y
// offsets between them, the direction of travel upwards.
void DrawArrayPicture(HDC hdc, const RECT &rc);
