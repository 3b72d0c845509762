#pragma once
// Zipped documents: Office Open XML (.docx .xlsx .pptx and their templates and macro forms) and
// OpenDocument (.odt .ods .odp ...). Finds the parts that hold what a reader sees from the
// package's own content types, relationships or manifest, and hands their text to the sink.
#include <string>
#include <string_view>

#include "pure/doctext/bytesource.h"
#include "pure/doctext/decodeenv.h"
#include "pure/doctext/textsink.h"

void DecodeZipPackage(TByteSource& Source, TTextSink& Sink, const TDecodeEnv& Env);

// A part name as the package's XML writes it (percent-encoded, maybe with a leading "/") made
// comparable with a member name: decoded, without the leading "/", ASCII letters in lower case.
std::string NormalPartName(std::string_view Name);

// Resolves a relationship's Target against the folder of its source part (Base: a normal part
// name, "" for the package root): "../media/x" and "/word/y" as a package would read them.
std::string ResolvePartName(std::string_view Base, std::string_view Target);
