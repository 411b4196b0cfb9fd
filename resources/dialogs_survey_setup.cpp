// Dialog templates of Survey Setup (SURVEYSETUP*) and Array Geometry (ARRAYGEOMETRY*).
#include "resources/resources.h"

void RegisterSurveySetupDialogTemplates()
{
}
