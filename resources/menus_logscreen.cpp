// Popup menus of the logging screen (resources 490 to 498), one "&File" popup each.
#include "resources/resources.h"

namespace {

#define ITEM_NEW_LINE {501, L"New Lin&e"}
#define ITEM_NEW_STATION {502, L"&New Station"}
#define ITEM_COMMENT {503, L"&Comment"}
#define ITEM_NULLING {504, L"N&ulling"}
#define ITEM_SCALE_READINGS {505, L"Sc&ale Readings"}
#define ITEM_SCALE_SPEED {506, L"Scale Speed &Bar"}
#define ITEM_PROFILE_OPTIONS {507, L"Pr&ofile Display Options"}
#define ITEM_HIDE_MENU {508, L"&Hide Menu"}
#define ITEM_MAP_SIZE {509, L"Map &Size"}
#define ITEM_MAP_OPTIONS {510, L"Map Displa&y Options"}
#define ITEM_TOGGLE_VIEW {511, L"Toggle &View"}
#define ITEM_GPS_MASK {512, L"GPS &Warning Mask"}
#define ITEM_ALARMS {513, L"Alarm S&ettings"}
#define ITEM_AUDIO {514, L"Au&dio Options"}
#define ITEM_UNITS {515, L"Coordina&tes Display Units"}
#define ITEM_CALIBRATION {516, L"Ca&libration"}
#define ITEM_CALIBRATE_FILTER {516, L"Ca&librate Filter"}
#define ITEM_REMOVE_CALIBRATION {517, L"&Remove Calibration"}
#define ITEM_BACKGROUND_LOAD {518, L"Enter Bac&kground Files"}
#define ITEM_BACKGROUND_REMOVE {519, L"Re&move Background Files"}
#define ITEM_DRIFT {520, L"A&pply Drift Control"}
#define ITEM_DRIFT_TIME {521, L"Chan&ge Drift Reminder Time"}
#define SEPARATOR {0, nullptr}

// Common tail: view and options groups, GPS group, background group, hide.
#define TAIL_FROM_OPTIONS                                                                                          \
    ITEM_MAP_OPTIONS, ITEM_PROFILE_OPTIONS, ITEM_AUDIO, SEPARATOR, ITEM_TOGGLE_VIEW, SEPARATOR, ITEM_GPS_MASK,     \
        ITEM_UNITS, SEPARATOR, ITEM_BACKGROUND_LOAD, ITEM_BACKGROUND_REMOVE, SEPARATOR, ITEM_HIDE_MENU
#define TAIL_FROM_OPTIONS_ALARMS                                                                                   \
    ITEM_MAP_OPTIONS, ITEM_PROFILE_OPTIONS, ITEM_ALARMS, ITEM_AUDIO, SEPARATOR, ITEM_TOGGLE_VIEW, SEPARATOR,       \
        ITEM_GPS_MASK, ITEM_UNITS, SEPARATOR, ITEM_BACKGROUND_LOAD, ITEM_BACKGROUND_REMOVE, SEPARATOR,             \
        ITEM_HIDE_MENU
#define SCALES ITEM_MAP_SIZE, ITEM_SCALE_READINGS, ITEM_SCALE_SPEED
#define LINE_GROUP ITEM_NEW_LINE, ITEM_NEW_STATION, ITEM_COMMENT

const MenuItemTemplate aMenu490[] = {LINE_GROUP, SEPARATOR, ITEM_CALIBRATION, ITEM_REMOVE_CALIBRATION, SEPARATOR,
                                     ITEM_DRIFT, ITEM_DRIFT_TIME, SEPARATOR, SCALES, SEPARATOR, TAIL_FROM_OPTIONS};
const MenuItemTemplate aMenu491[] = {SCALES, SEPARATOR, ITEM_CALIBRATE_FILTER, SEPARATOR, TAIL_FROM_OPTIONS_ALARMS};
const MenuItemTemplate aMenu492[] = {LINE_GROUP, SEPARATOR, ITEM_NULLING, ITEM_CALIBRATE_FILTER, SEPARATOR,
                                     SCALES,     SEPARATOR, TAIL_FROM_OPTIONS_ALARMS};
const MenuItemTemplate aMenu493[] = {SCALES, SEPARATOR, TAIL_FROM_OPTIONS};
const MenuItemTemplate aMenu494[] = {LINE_GROUP, SEPARATOR, ITEM_NULLING, SEPARATOR, SCALES, SEPARATOR,
                                     TAIL_FROM_OPTIONS};
const MenuItemTemplate aMenu496[] = {LINE_GROUP, SEPARATOR, SCALES, SEPARATOR, TAIL_FROM_OPTIONS};
const MenuItemTemplate aMenu497[] = {SCALES, SEPARATOR, ITEM_CALIBRATION, ITEM_REMOVE_CALIBRATION, SEPARATOR,
                                     TAIL_FROM_OPTIONS};
const MenuItemTemplate aMenu498[] = {LINE_GROUP, SEPARATOR, ITEM_CALIBRATION, ITEM_REMOVE_CALIBRATION, SEPARATOR,
                                     SCALES,     SEPARATOR, TAIL_FROM_OPTIONS};

#define MENU(id, items) {id, items, (int)(sizeof items / sizeof items[0])}
const MenuTemplate aLogScreenMenus[] = {MENU(490, aMenu490), MENU(491, aMenu491), MENU(492, aMenu492),
                                        MENU(493, aMenu493), MENU(494, aMenu494), MENU(495, aMenu493),
                                        MENU(496, aMenu496), MENU(497, aMenu497), MENU(498, aMenu498)};

}  // namespace

void RegisterLogScreenMenus()
{
    RegisterMenuTemplates(aLogScreenMenus, (int)(sizeof aLogScreenMenus / sizeof aLogScreenMenus[0]));
}
