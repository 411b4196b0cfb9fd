// Registration of all resource tables at start.
#include "resources/resources.h"

#include "dialogs/gps_message_dialog.h"

void RegisterLogScreenMenus();  // menus_logscreen.cpp: popup menus 490 to 498

void RegisterResources()
{
    static int bRegistered = 0;  // the tables are handed to the platform layer once per process
    if (bRegistered)
        return;
    bRegistered = 1;
    RegisterMessageDialogTemplates();
    RegisterLogScreenMenus();
    RegisterGpsMessageDialogTemplates();
    RegisterSurveyLineDialogTemplates();
    RegisterStationDialogTemplates();
    RegisterAlarmDialogTemplates();
    RegisterSystemDialogTemplates();
    RegisterSurveySetupDialogTemplates();
    RegisterDisplayOptionsDialogTemplates();
    RegisterDisplaySetupDialogTemplates();
    RegisterBackgroundDialogTemplates();
}
