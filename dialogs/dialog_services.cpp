// Small services of the setup dialogs used by the settings readers.
#include "dialogs/dialog_services.h"

#include "core/settings.h"

void UpdateCursorMarkerSize()
{
    if (nPositionSize >= 0 && nPositionSize <= 4) {
        nPositionMarkerSize = 2 * nPositionSize + 7;
        nCrossHairHalf = nPositionSize + 3;
    } else if (nPositionSize == 5) {
        nPositionMarkerSize = 19;
        nCrossHairHalf = 9;
    }
}

int DriftReminderSeconds(int index)
{
    static const int anSeconds[6] = {900, 1800, 2700, 3600, 5400, 7200};
    if (index < 0 || index > 5) return 0;
    return anSeconds[index];
}
