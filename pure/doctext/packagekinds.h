#pragma once
// The kinds of package, each in a module of its own; package.cpp lists them in the order they
// are asked to claim a package.
#include "pure/doctext/package.h"

struct TXmlTextRules;

// The document properties of Office Open XML (docProps/core.xml) and OpenDocument (meta.xml),
// which name them alike.
extern const TXmlTextRules PackagePropertyRules;

extern const TPackageKind OfficeOpenXmlPackage;
extern const TPackageKind OfdPackage;
extern const TPackageKind EpubPackage;
extern const TPackageKind OpenDocumentPackage;
// Any other ZIP archive: its members that are documents of a known format, each in its own right.
extern const TPackageKind ArchivePackage;
