// GPS formats: the position sentence, checksum test and field positions of each GPS format setting.
#pragma once

#include <atomic>

// Identifier of the position sentence ("GGA", "POS", "LLK", "LLQ", "GLL" or "GGK").
extern char szGpsSentenceId[8];
// 1 when sentences must carry a valid "*hh" checksum.
extern std::atomic<int> bGpsChecksumCheck;
// 1-based comma field of the time of day (2; 6 for the GLL formats).
extern int nGpsTimeField;

// Position items: kinds and fields, nGpsItemCount of them in list order.
enum {
    GPS_ITEM_SATELLITES = 0,
    GPS_ITEM_QUALITY = 1,
    GPS_ITEM_LAT_HEMISPHERE = 2,
    GPS_ITEM_LATITUDE = 3,
    GPS_ITEM_LON_HEMISPHERE = 4,
    GPS_ITEM_LONGITUDE = 5,
    GPS_ITEM_DOP = 6,
    GPS_ITEM_HDOP = 7,
    GPS_ITEM_NORTHING = 8,
    GPS_ITEM_EASTING = 9,
    GPS_ITEM_QUALITY_METRES = 10,
    GPS_ITEM_NONE = 11,
    GPS_ITEM_TWO_DIGITS = 12,
    GPS_ITEM_EXTRA1 = 13,
    GPS_ITEM_EXTRA2 = 14,
    GPS_ITEM_EXTRA3 = 15,
};
extern int nGpsItemCount;
extern int anGpsItemKind[7];
extern int anGpsItemField[7];

// Sets the sentence identifier, the checksum test, the time field and the item list from nGpsFormat (and
// bPseudoGga). A format outside 0..8 changes only the time field (2) and the checksum test (on).
void SelectGpsSentenceFields();
