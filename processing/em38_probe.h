// EM38 record-length probe: finds whether the instrument sends 7- or 12-character records.
#pragma once

// Reads the instrument port (hInstrumentPort) itself, one byte per read, for up to 2 s: a record is "T" up to a
// carriage return. 7 characters (the "T" counted, the carriage return not) set nInstrumentRecordLength 7 and
// dFramePeriodMs 72; 12 set 12 and 91; either recomputes nFramesPerReading from dSampleInterval and returns 1.
// Another length returns 0 at once; no record within 2 s (or no open port) returns 0.
int DetectEm38RecordLength();
