// Background files: temporary names and records, the block reader and writer, the ASCII and data-file
// converters, the drawing and redrawing under the survey, and the load and remove sequences.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "platform/platform.h"

// ---------------------------------------------------------------------------------------------------------------
// Temporary folder and names
// ---------------------------------------------------------------------------------------------------------------
// Makes the temporary folder current for its lifetime and restores the previous current folder afterwards.
struct TempFolderScope {
    TempFolderScope();
    ~TempFolderScope();
    TempFolderScope(const TempFolderScope &) = delete;
    TempFolderScope &operator=(const TempFolderScope &) = delete;
    wchar_t szSaved[1024];
    int bSaved;
};

// The part of a drive path after its last backslash (or slash).
const wchar_t *BareFileName(const wchar_t *szPath);
// Bare temporary name of the slot nSlot for the chosen file (its folder dropped): the fourth-last character
// removed, "." appended, then "$" and a two-digit number, starting from the slot index and moving on while a used
// slot (0..nBackgroundFileCount-1) holds that name; cut to fit nOut characters (at most the slot name size).
// Returns 1.
int BuildBackgroundTempName(const wchar_t *szChosen, int nSlot, wchar_t *szOut, size_t nOut);
// Copies at most nOut - 1 characters and terminates.
void CopyBoundedName(wchar_t *szOut, size_t nOut, const wchar_t *szIn);

// ---------------------------------------------------------------------------------------------------------------
// Temporary records: "%14.3f,%14.3f,%1d,%s", 38 bytes with the line feed at offset 37
// ---------------------------------------------------------------------------------------------------------------
enum { BG_RECORD_LEN = 38, BG_LABEL_CHARS = 5 };
extern const int nBackgroundRecordLen;
extern const double dBackgroundPenUp;  // -99999.0
// Formats one record into pOut (at least 39 bytes: the 38 record bytes and a terminating zero); the label is cut to
// 5 characters and padded with blanks. Returns 0 (nothing usable written) when a value is not finite or does not
// fit its 14-character field.
int FormatBackgroundRecord(char *pOut, double x, double y, int nLabelLength, const char *szLabel);
void FormatPenUpRecord(char *pOut);
// Reads the 38 bytes of a record: x from characters 0..13, y from 15..28, the label length from 30 (0..5; other
// characters 0) and the label from 32..36 (szLabel of at least 6 bytes, cut to the length). Returns 1.
int ParseBackgroundRecord(const char *pRecord, double *pdX, double *pdY, int *pnLabelLength, char *szLabel);

// ---------------------------------------------------------------------------------------------------------------
// Block reader and record writer (files or memory)
// ---------------------------------------------------------------------------------------------------------------
struct BgSource {
    HANDLE hFile = INVALID_HANDLE_VALUE;
    const char *pMem = nullptr;
    size_t nMemSize = 0, nMemPos = 0;
    std::vector<char> block;
    size_t nFill = 0, nPos = 0;
    int bEnd = 0;
};
void BgSourceFromFile(BgSource *pSrc, HANDLE hFile);
void BgSourceFromMemory(BgSource *pSrc, const char *pData, size_t nSize);
void BgRewind(BgSource *pSrc);
// Up to n bytes; the count read (fewer at the end).
int BgReadBytes(BgSource *pSrc, char *p, int n);
// One line as ReadFileLine reads it (line feed ends it, a carriage return before it dropped, at most nSize - 1
// characters kept and the rest of a longer line dropped), and also a last line without a line end. Returns the
// length, or -1 at the end of the file with nothing read.
int BgReadLine(BgSource *pSrc, char *szLine, int nSize);
// The reading functions of the records: 0 at the end of the data, else 1.
int ReadBackgroundRecordXY(BgSource *pSrc, double *pdX, double *pdY);
int ReadBackgroundRecordXYLabel(BgSource *pSrc, double *pdX, double *pdY, int *pnLabelLength, char *szLabel);

struct BgSink {
    HANDLE hFile = INVALID_HANDLE_VALUE;
    std::string *pMem = nullptr;
    std::string pending;
    int nRecords = 0;
    int bFailed = 0;
};
void BgSinkToFile(BgSink *pSink, HANDLE hFile);
void BgSinkToMemory(BgSink *pSink, std::string *pOut);
// Appends one 38-byte record and counts it.
void BgSinkRecord(BgSink *pSink, const char *pRecord);
void BgSinkFlush(BgSink *pSink);

// ---------------------------------------------------------------------------------------------------------------
// Conversions
// ---------------------------------------------------------------------------------------------------------------
// 1 when the map point lies on the usable tile grid (both tile indices within nTileIndexMin..nTileIndexMax); its
// tile and in-tile pixel are given back (any pointer may be null).
int BackgroundPointOnGrid(double dX, double dY, int *pnCol, int *pnRow, int *pnOffX, int *pnOffY);
// Widens the extents of everything plotted with a point on the tile grid; points off it leave them.
void WidenExtentsOnGrid(double dX, double dY);
// Map units per metre of nMapUnits: 1, 1 / 0.3048, 1 / 0.304800609601219.
double MetresToMapUnits(int nMapUnits);

struct AsciiBgOptions {
    int nFileType = 1;      // 1 without labels, 2 with labels
    int nDelimiter = 1;     // 0 blank, 1 comma, 2 tab, 3 semicolon
    int nColumnX = 1;       // 0-based column of latitude or northing
    int nColumnY = 0;       // 0-based column of longitude or easting
    int nColumnLabel = 2;   // 0-based label column
    int nCoordType = 1;     // 0 geodetic, 1 UTM metres, 2 UTM feet, 3 UTM US survey feet
    int nMapUnits = 0;      // 0 metres, 1 feet, 2 US survey feet
    int nZone = 0;          // UTM zone of the survey (1..60); 0: each point in its own longitude's zone
};
AsciiBgOptions AsciiBgOptionsFromSettings(int nFileType);
char BackgroundDelimiter(int nDelimiter);
// A point (a latitude or northing, b longitude or easting) to easting and northing in map units. Returns 0 for a
// value that is not finite, a geodetic point beyond 90 or 180 degrees, or a result beyond the record's fields.
int AsciiPointToMap(double a, double b, const AsciiBgOptions &opt, double *pdEasting, double *pdNorthing);
// One line of an ASCII file into a record: 0 nothing (comment, empty or unusable line), 1 a point record, 2 a
// pen-up record. The line may be changed (trimmed). pRecord holds at least 39 bytes.
int ConvertAsciiBackgroundLine(char *szLine, const AsciiBgOptions &opt, char *pRecord, double *pdX, double *pdY);
// The whole file: every record written to the sink, the extents widened; returns the records written.
int ConvertAsciiLines(BgSource *pSrc, BgSink *pSink, const AsciiBgOptions &opt);

// Data files of the program and its siblings.
enum { BG_DATA_RECORD_MAX = 36, BG_SENTENCE_MAX = 512 };
struct DataBgInfo {
    int nKind = -1;         // 0 "EM"/"PRO", 1 "BV", 2 "JIX", 3 "ZN"; -1 not recognised
    int nRecordLen = 0;     // first line's length, line feed included (1..36)
    double dOffsetX = 0.0;  // GPS antenna offsets (metres) of kinds 2 and 3
    double dOffsetY = 0.0;
    int bCorrection = 0;
};
// Recognises a data file (the source is left at its start). Returns the kind or -1.
int IdentifyDataFileKind(BgSource *pSrc, DataBgInfo *pInfo);

// Sentence layouts and the tag searched for.
enum BgLayout { BGL_GGA, BGL_POS, BGL_GLL, BGL_GGK, BGL_LLK, BGL_LLQ, BGL_FORMAT7, BGL_FORMAT9 };
struct BgSentenceRule {
    const char *szTag;  // "" takes every sentence
    int nLayout;
    int nUnitDigit;     // the header's unit digit: '0'..'9' as a number, -1 none (blank), -2 other
};
// The rule of a kind from its header GPS record's format and unit characters (0 when there is none).
BgSentenceRule BgSentenceRuleFor(int nKind, char chFormat, char chUnit);

// Gathers sentences from "@" (start), "#" (more), "!" (complete), a double quote or "?" (discard) records.
struct SentenceGatherer {
    char szText[BG_SENTENCE_MAX + 1] = {};
    int nLen = 0;
    int bCollecting = 0;
    int bOverflow = 0;
};
// One record without its line feed. Returns 1 when a sentence completed (its text in szText).
int FeedSentenceRecord(SentenceGatherer *pG, const char *pRecord, int nLen);
// The position of a completed sentence in map units. Returns 0 for an invalid sentence.
int ParseBackgroundSentence(const char *szSentence, const BgSentenceRule &rule, int nMapUnits, int nZone,
                            double *pdEasting, double *pdNorthing);

// The antenna offset correction along the travelled path.
enum { BG_TRACK_HISTORY = 40 };
struct OffsetCorrector {
    double dX = 0.0, dY = 0.0;  // offsets in map units (across, along)
    int bOn = 0;
    int nCount = 0;             // history entries (Y above 0) or 1 when a previous position is kept
    double adX[BG_TRACK_HISTORY + 1] = {}, adY[BG_TRACK_HISTORY + 1] = {}, adDist[BG_TRACK_HISTORY + 1] = {};
};
void StartOffsetCorrector(OffsetCorrector *pC, int bOn, double dOffsetX, double dOffsetY);
// One position in; returns 1 with the output position, 0 when there is none (the first position, or a position
// equal to the previous one, which leaves the history as it was).
int CorrectBackgroundPosition(OffsetCorrector *pC, double dE, double dN, double *pdOutE, double *pdOutN);

// The whole data file (kind and offsets from IdentifyDataFileKind) into records; returns the records written.
int ConvertDataFileRecords(BgSource *pSrc, BgSink *pSink, const DataBgInfo &info, int nMapUnits, int nZone);

// ---------------------------------------------------------------------------------------------------------------
// Drawing
// ---------------------------------------------------------------------------------------------------------------
struct BgStyle {
    int bLines;       // joined lines, else separate points
    int nCurrentPen;  // 1..3: the pen of the segments
    int nLinePen;     // 1..3: the pen of the dots at line points
    int nSymbol;      // the symbol kind of points on the mapping line (0..8)
};
BgStyle BackgroundStyle(int bJix, int nStyle);
HPEN BackgroundPen(int n);
extern HPEN hpenBackgroundCurrent;

// A segment between two map pixels in the base layer of every tile it crosses.
void DrawBackgroundSegment(HDC hdcMem, int x1, int y1, int x2, int y2);
void DrawSegmentInTile(HDC hdcMem, int x1, int y1, int x2, int y2, int nCol, int nRow);

// Draws the records of a newly converted file (nRecords of them) and reports on its points with message boxes
// owned by hOwner. Returns 1 (drawn) or -1 (nothing usable, or a record could not be read).
int DrawBackgroundPoints(HWND hOwner, BgSource *pSrc, int nRecords, const wchar_t *szDisplayName, int nStyle,
                         int nFileType);
int DrawBackgroundLines(HWND hOwner, BgSource *pSrc, int nRecords, const wchar_t *szDisplayName, int nStyle);
// Draws every used slot again, silently (after each rebuild of the map's base layer).
void RedrawBackgroundFiles();

// ---------------------------------------------------------------------------------------------------------------
// Dialogs and sequences (logging-screen commands 130 and 131)
// ---------------------------------------------------------------------------------------------------------------
INT_PTR BackgroundFileLoadDlgProc(HWND hDlg, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR BackgroundFileRemoveDlgProc(HWND hDlg, UINT message, WPARAM wParam, LPARAM lParam);
// The column checks of a load, each failing one with its own "COORDINATES ERROR" box; 1 when all pass.
int CheckBackgroundColumns(HWND hOwner, int nFileType);
void LoadBackgroundFile(HWND hwnd);
void RemoveBackgroundFiles(HWND hwnd);
