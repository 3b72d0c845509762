#pragma once
// Excel 97-2003 workbook streams (BIFF8): the shared-string table, where the text of every cell
// that holds a string lives, once per distinct string.
#include "pure/doctext/bytesource.h"
#include "pure/doctext/textsink.h"

// Hands each shared string of the workbook stream Workbook to Sink as text followed by a break.
// A string cut by a CONTINUE record arrives joined. Returns false once the sink wants no more.
bool DecodeWorkbookStrings(TByteSource& Workbook, TTextSink& Sink);
