// GPS formats: the table of position sentences, checksum switches and field positions per GPS format.
#include "processing/gps_formats.h"
#include "core/settings.h"

#include <cstring>

char szGpsSentenceId[8] = "GGA";
std::atomic<int> bGpsChecksumCheck{1};
int nGpsTimeField = 2;
int nGpsItemCount = 0;
int anGpsItemKind[7];
int anGpsItemField[7];

struct GpsFormatItems {
    const char *pszSentence;
    int nCount;
    int anKind[7];
    int anField[7];
};

static const GpsFormatItems aGpsFormats[9] = {
    {"GGA", 6, {0, 1, 2, 3, 4, 5}, {8, 7, 4, 3, 6, 5}},
    {"GGA", 7, {0, 1, 2, 3, 4, 5, 7}, {8, 7, 4, 3, 6, 5, 9}},
    {"POS", 7, {0, 1, 2, 3, 4, 5, 6}, {4, 3, 7, 6, 9, 8, 15}},
    {"LLK", 5, {0, 1, 8, 9, 10}, {9, 8, 6, 4, 10}},
    {"LLQ", 5, {0, 1, 8, 9, 10}, {9, 8, 6, 4, 10}},
    {"GLL", 4, {2, 3, 4, 5}, {3, 2, 5, 4}},
    {"GGK", 7, {0, 1, 2, 3, 4, 5, 6}, {10, 9, 6, 5, 8, 7, 11}},
    {"GGA", 2, {8, 9}, {3, 5}},
    {"GLL", 4, {2, 3, 4, 5}, {3, 2, 5, 4}},
};

void SelectGpsSentenceFields()
{
    nGpsTimeField = 2;
    bGpsChecksumCheck = 1;
    if (nGpsFormat < 0 || nGpsFormat > 8) return;
    const GpsFormatItems &format = aGpsFormats[nGpsFormat];
    strcpy(szGpsSentenceId, format.pszSentence);
    nGpsItemCount = format.nCount;
    for (int i = 0; i < format.nCount; ++i) {
        anGpsItemKind[i] = format.anKind[i];
        anGpsItemField[i] = format.anField[i];
    }
    if (nGpsFormat == 5 || nGpsFormat == 8) nGpsTimeField = 6;
    if (nGpsFormat == 8) bGpsChecksumCheck = 0;
    if (nGpsFormat == 7) {
        bGpsChecksumCheck = bPseudoGga == 1 ? 1 : 0;
        if (bPseudoGga == 1) {
            // The pseudo-GGA extras: a two-digit number and three further reals.
            static const int anExtraKind[4] = {12, 13, 14, 15};
            static const int anExtraField[4] = {8, 9, 12, 14};
            for (int i = 0; i < 4; ++i) {
                anGpsItemKind[2 + i] = anExtraKind[i];
                anGpsItemField[2 + i] = anExtraField[i];
            }
            nGpsItemCount = 6;
        }
    }
}
