// Data files: the open file, fixed-length record building and writing, header and line blocks, naming, creation,
// append checks and the extent scan.
#pragma once

#include <atomic>

#include "datafile/record_length.h"
#include "platform/platform.h"

// ---------------------------------------------------------------------------------------------------------------
// The open data file
// ---------------------------------------------------------------------------------------------------------------
// The open data file; INVALID_HANDLE_VALUE when none. Opened and closed on the user-interface thread only; reader
// threads write through the record writers below.
extern std::atomic<HANDLE> hDataFile;
extern wchar_t szDataFilePath[261];  // drive path of the open data file
extern char szDataFileName[264];     // the file's name without folder and extension (low bytes)
extern int bLongFileName;            // 1 when the name has more than 10 characters
extern char szFileNameTail[16];      // characters 11 to 20 of such a name

// 1 once a write or flush of the open file has failed (reported once); cleared when a file is opened and when
// recording starts (BeginDataFileRun).
extern std::atomic<int> bDataFileWriteFailed;

// Posted when a write or flush failed: first to the data file's own notice window (which shows the FILE ERROR
// box on the user-interface thread), then to hwndLog so that the session can drop to stand-by.
#define WM_DATAFILE_ERROR (WM_USER + 40)

// Record kinds (byte 0).
#define RECORD_TAG_FILENAME 'H'
#define RECORD_TAG_GPS 'G'
#define RECORD_TAG_OFFSET 'O'
#define RECORD_TAG_FILTER_FACTOR 'I'
#define RECORD_TAG_LINE 'L'
#define RECORD_TAG_START_STATION 'B'
#define RECORD_TAG_DIRECTION 'A'
#define RECORD_TAG_DATE_TIME 'Z'
#define RECORD_TAG_TIME '*'
#define RECORD_TAG_STATION 'S'
#define RECORD_TAG_EVENT 'X'
#define RECORD_TAG_COMMENT 'C'
#define RECORD_TAG_TEXT_FIRST '@'
#define RECORD_TAG_TEXT_NEXT '#'
#define RECORD_TAG_TEXT_END '!'
#define RECORD_TAG_BAD_TEXT_FIRST '?'
#define RECORD_TAG_BAD_TEXT_NEXT '"'
#define RECORD_TAG_MAP_POINT '{'
#define RECORD_TAG_TILT '~'
#define RECORD_TAG_TILT_RAW '\\'

// Largest record length of any build (65) with room to spare; record buffers are this size.
#define DATA_RECORD_MAX 80

// Opens szDataFilePath for reading and writing (created when missing) into hDataFile and clears the failure
// report. Returns 1 on success; 0 (hDataFile invalid) otherwise.
int OpenDataFileHandle();
// Closes the open data file (waits for a writer in progress); hDataFile becomes invalid.
void CloseDataFile();
// Makes everything written so far durable (fsync). A failure is reported like a failed write. Returns 1 on success.
int FlushDataFile();
// Reports a failed write or flush once per opened file and recording run: the "FILE ERROR" box on the
// user-interface thread (handed over when called from another thread) and WM_DATAFILE_ERROR posted to hwndLog.
void ReportDataFileError();
// A recording run starts: the failure flag is cleared and the next failure is reported again.
void BeginDataFileRun();
// User-interface thread: whether the open file is still on the disk. A file renamed or moved goes on as it is; a
// file deleted while open (or with its folder) is written back at szDataFilePath from the open handle, its folders
// made again, the operator told in a box, and logging goes on: 1 (also when no file is open). When it cannot be
// written back: the "FILE ERROR" box (once per run), WM_DATAFILE_ERROR to hwndLog (drop to stand-by), 0.
int CheckDataFileAtPath();

// ---------------------------------------------------------------------------------------------------------------
// Record building: a record is nDataRecordLength bytes, blank-filled, each field at its own index and cut to its
// width, the line feed at nDataRecordNewline. Nothing is ever placed at or past the line feed.
// ---------------------------------------------------------------------------------------------------------------
// nDataRecordLength kept within 2 .. DATA_RECORD_MAX: the bytes of one record as written and read.
int DataRecordBytes();
// Fills nDataRecordLength bytes with `fill` and puts the line feed last.
void BeginRecord(char *szRecord, char fill = ' ');
// Places up to nWidth characters of szText at nIndex (a shorter text leaves the rest of the field as it was).
void PutRecordText(char *szRecord, int nIndex, int nWidth, const char *szText);
// Formats (printf) and places the result as PutRecordText does; a text that cannot be formatted is not placed.
void PutRecordField(char *szRecord, int nIndex, int nWidth, const char *szFormat, ...)
    __attribute__((format(printf, 4, 5)));
// A one-digit setting: "%1d" of the value, cut to one character; nBlankBelow0 1 writes a blank for a negative value.
void PutRecordDigit(char *szRecord, int nIndex, int nValue, int nBlankBelow0 = 0);
// The tick as "%10lu" in the ten bytes before the line feed.
void PutRecordTick(char *szRecord, DWORD dwTick);

// Writes whole records (nCount x nDataRecordLength bytes) to the open file in one write. Returns 1 when they were
// written, 0 when no file is open or the write failed (the failure is reported; the file is left at its size
// before the write, never with a part record).
int WriteDataRecords(const char *pRecords, int nCount);
inline int WriteDataRecord(const char *szRecord) { return WriteDataRecords(szRecord, 1); }

// Reads the next whole record at the read offset of the open file into szRecord (nDataRecordLength bytes, a zero
// at nDataRecordNewline). Returns 1 for a whole record, 0 at the end (a short read).
int ReadDataRecord(char *szRecord);

// The coordinate of a map-point record ('{', its letter, the number "%14.3f" in characters 2..15): 1 with *pdValue
// set when the field holds a plain decimal number and the record holds nothing but blanks after it up to the line
// feed; 0 for anything else (a damaged record). Every reader of map-point records reads them through this.
int ReadMapPointValue(const char *szRecord, double *pdValue);

// Buffered sequential scan of the open file from its start; uses the file's read offset, never its writers.
struct DataFileScan {
    char achBuffer[65536];
    DWORD nFill;
    DWORD nPos;
    int bEnd;
};
void BeginDataFileScan(DataFileScan *pScan);
// Next whole record, zero at nDataRecordNewline; 0 at the end (a trailing part record is not returned).
int NextScanRecord(DataFileScan *pScan, char *szRecord);

// Wrap-safe "tick is not earlier than start" on the 32-bit tick count.
inline bool TickNotBefore(DWORD dwTick, DWORD dwStart) { return (int32_t)(dwTick - dwStart) >= 0; }

// ---------------------------------------------------------------------------------------------------------------
// Record writers
// ---------------------------------------------------------------------------------------------------------------
int WriteTaggedRecord(const wchar_t *szLabel, char chKind);
int WriteTextRecord(const char *szText, DWORD dwTick, char chFirst, char chNext, char chEnd, char chFlag);
int WriteStationRecord();
int WriteOffsetRecords(double dNew1, double dNew2, double dNew3, double dNew4, double dOld1, double dOld2,
                       double dOld3, double dOld4);
int WriteTimeRecord();
int WriteMarkerRecords(char chKind, int nSet, double dValue1, double dValue2, double dValue3, double dValue4);
int WriteEm38Mk2OffsetLines();
int WriteEmRawRecord();
// The same for a frame and tick the caller holds (the copy a posted reading carries).
int WriteEmRawRecordOf(const char *pFrame, DWORD dwTick);
int WriteEm34RawRecords();
int WriteEm38Mk2RawRecord(const char *pFrame);

// Header block (bAppended 1 after an accepted append; 0 new file; -1 a file of foreign origin) and line block.
int WriteDataFileHeader(int bAppended);
int WriteLineHeader();

// File tag of the build ("ZNTMK2  W"), its format number ("228") and the data-file extension ("T61").
const char *DataFileTag();
const char *DataFileFormatNumber();
const wchar_t *DataFileExtension();

// ---------------------------------------------------------------------------------------------------------------
// Naming, creation and completion
// ---------------------------------------------------------------------------------------------------------------
// Prepares the shared save-file record and the data file's notice window; once, when the logging screen is made.
void InitOpenFileRecord(HWND hwndOwner);
// The proposed name (date, "_", first free counter) into szName (260 characters).
void MakeDefaultDataFileName(HWND hwndOwner, wchar_t *szName);
// 0 new file created and prepared; 1 existing file open for the append flow; -1 cancelled (hDataFile invalid), a
// refused file (hDataFile invalid) or a file of foreign origin started afresh at its end (hDataFile open).
int CreateDataFileDialog(HWND hwndOwner);

// Outcome of CompleteDataFileOpen.
enum {
    DATAFILE_NEW = 0,          // new file written and flushed: stand-by
    DATAFILE_TAKEN_OVER = 1,   // file of foreign origin started afresh at its end, operator told: stand-by
    DATAFILE_APPENDED = 2,     // header block appended and flushed: stand-by; rebuild the map when GPS is on
    DATAFILE_NOT_OPEN = 3,     // cancelled, refused or not fitting the map: monitoring, no file open
    DATAFILE_WRITE_FAILED = 4  // the file could not be written (FILE ERROR shown): monitoring, no file open
};
// Finishes the data-file command after CreateDataFileDialog: the origin notice, the append check, the extent
// check (before anything is written), the appended header block, line block and time record, the flush and the
// settings save. Leaves nRecordingState and the buttons to the caller.
int CompleteDataFileOpen(HWND hwndOwner, int nDialogResult);

// ---------------------------------------------------------------------------------------------------------------
// Append checks and the extent scan: 0 the file may be appended to, 1 refused (file closed).
// ---------------------------------------------------------------------------------------------------------------
int CheckAppendFileEm31Em38(HWND hwndOwner);
int CheckAppendFileEm61Lx2(HWND hwndOwner);
int CheckAppendFileEm61Mk2(HWND hwndOwner);
int CheckAppendFileGrad(HWND hwndOwner);
// The append check of the build's instrument (0 for the instruments without one).
int CheckAppendFileForInstrument(HWND hwndOwner);
// 1 the file fits the map (count reported, nGpsPositionCount set); 0 refused (box shown; the caller closes).
int CheckDataFileFitsMap(HWND hwndOwner);
