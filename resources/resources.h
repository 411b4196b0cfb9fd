// Program resources: dialog templates, popup menus and sound names, registered with the platform layer at start.
#pragma once

#include "platform/platform.h"

// Registers every resource table of the program at start, before any window exists; later calls do nothing.
void RegisterResources();

// One registration function per resource file (see resources/README.md).
void RegisterMessageDialogTemplates();  // dialogs_message.cpp: MESSAGEOK, MESSAGEOKCANCEL, MESSAGEYESNO
void RegisterSurveyLineDialogTemplates();  // dialogs_survey_line.cpp: GETNEWLINE, NEWSTATION, COMMENT
void RegisterStationDialogTemplates();  // dialogs_station.cpp: CONFIRMSTATION
void RegisterAlarmDialogTemplates();    // dialogs_alarm.cpp: ALARMLX2
void RegisterSystemDialogTemplates();         // dialogs_system.cpp: SYSTEM*, GPSINPUT*, GPSMASK
void RegisterSurveySetupDialogTemplates();    // dialogs_survey_setup.cpp: SURVEYSETUP*, ARRAYGEOMETRY*
void RegisterDisplayOptionsDialogTemplates(); // dialogs_display_options.cpp: DISPLAYOPTIONS31*, scales and options
void RegisterDisplaySetupDialogTemplates();   // dialogs_display_setup.cpp: DISPLAYSETUP*
void RegisterBackgroundDialogTemplates();     // dialogs_background.cpp: BACKGROUNDFILE*

// Control ids of the message dialogs: the message text and the hidden line above it.
enum { IDC_MESSAGE_TEXT = 550, IDC_MESSAGE_HIDDEN = 551 };

// The nine WAVE sounds of the program, by resource name (sounds.cpp).
extern const wchar_t *const aszSoundNames[9];
