#pragma once
// Excel workbook streams (BIFF8 of Excel 97-2003, and BIFF5 of Excel 5.0/95): the shared-string
// table, where the text of most cells lives once per distinct string, and the sheets' cells that
// hold their own text: numbers, cached results of formulas, inline strings.
#include "pure/doctext/bytesource.h"
#include "pure/doctext/decodeenv.h"
#include "pure/doctext/textsink.h"

// Hands the text of the workbook stream Workbook to Sink, each string and each cell a run of its
// own: the shared strings in the table's order, then sheet by sheet (each announced with
// Place(Sheet, 0, its name)) the numbers as a sheet in the General format shows them, the text
// of string formulas and of inline strings. A sink that WantsPlaces gets each shared string in
// the sheet of the first cell that shows it instead, and those no cell shows at the end in the
// Body: the same text, in reading order. Returns false once the sink wants no more.
bool DecodeWorkbook(TByteSource& Workbook, TTextSink& Sink, const TDecodeEnv& Env);
