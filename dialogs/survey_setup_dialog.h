// Survey Setup dialog (SURVEYSETUP templates): control ids and the EM34-3 mode-list slots.
#pragma once

// Control ids of the SURVEYSETUP templates.
enum {
    IDC_SURVEY_RATE_LABEL = 720,     // "Readings/s:" or (EM34-3 manual) "Samples/Rdg:"
    IDC_SURVEY_DIPOLE_LABEL = 721,   // EM34-3: "Dipole/Separ.:" or "Configurations:"
    IDC_SURVEY_OFFSET_X = 912,       // EM61-LX2 GPS antenna offsets (m)
    IDC_SURVEY_OFFSET_Y = 913,
    IDC_SURVEY_MODE = 1110,
    IDC_SURVEY_RATE = 1111,
    IDC_SURVEY_COMPONENT = 1172,
    IDC_SURVEY_DIPOLE = 1173,
    IDC_SURVEY_LINE = 1113,
    IDC_SURVEY_LINE_INCREMENT = 1114,
    IDC_SURVEY_LINE_MODE = 1115,
    IDC_SURVEY_LINE_DIRECTION = 1116,
    IDC_SURVEY_START_STATION = 1117,
    IDC_SURVEY_STATION_INCREMENT = 1118,
    IDC_SURVEY_INCREMENT_LABEL = 1119,
    IDC_SURVEY_NULL_APPLY = 1242,
};

// The survey-mode slot (0 auto, 1 wheel, 2 manual) that an index of the mode list stands for: on the EM34-3 the
// list holds "Auto" and "Manual", so its index 1 is the manual slot.
int SurveyModeOfListIndex(int nIndex);
// The mode-list index that shows a survey mode (the EM34-3 shows wheel and manual both as "Manual").
int SurveyListIndexOfMode(int nMode);
