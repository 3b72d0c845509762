#pragma once
// What reading one file's text may cost, for every decoder in one place. A hostile file can claim
// any size or count in its tables; these bounds keep memory below MaxDecodeMemory and the work
// proportional to the file, whatever it claims. Each decoder's memory bound is checked against
// MaxDecodeMemory below.
#include <algorithm>
#include <cstddef>
#include <cstdint>

// Memory that the test of one file may take, whatever its size or content, at every level of
// documents nested in it together.
inline constexpr std::size_t MaxDecodeMemory = std::size_t(64) << 20;
inline constexpr std::size_t KiB = 1024, MiB = KiB * 1024;

// ---- Documents inside documents ----
// Levels of documents nested in one another that are read (a mail's attached archive's member's
// embedded workbook is level 3); deeper ones are passed over.
inline constexpr unsigned EmbedMaxDepth = 4;
// Bytes of one nested document copied into memory to be read at random offsets (the copy takes
// its share of the file's memory; see TMemoryLease).
inline constexpr std::uint64_t EmbedMaxBytes = 16 * MiB;

// ---- Compound files ----
inline constexpr std::size_t CfbMaxFatEntries = 4 * MiB;      // 16 MiB: 2 GiB of 512-byte sectors
inline constexpr std::size_t CfbMaxMiniFatEntries = 1 * MiB;  // 4 MiB: a 64 MiB mini stream
inline constexpr std::size_t CfbMaxDirectoryBytes = 4 * MiB;  // 32,768 entries
// Files up to this size are read into memory in one piece: one read instead of a dozen small
// ones. A larger file is read where needed: its tables, and of its streams what the sink asks for.
inline constexpr std::uint64_t CfbMaxWholeFile = 64 * KiB;
// Bytes of a packaged file's label or path read (Windows paths are far shorter).
inline constexpr std::size_t CfbMaxPackagedName = 4 * KiB;
// A small file's copy and a large file's FAT do not meet; one stream's sector list is at most the
// FAT's size; the sink's own buffers fit in what is left.
inline constexpr std::size_t CfbMaxMemory =
    4 * CfbMaxFatEntries + 4 * CfbMaxFatEntries + CfbMaxDirectoryBytes + 4 * CfbMaxMiniFatEntries + CfbMaxWholeFile;
static_assert(CfbMaxMemory <= MaxDecodeMemory * 3 / 4, "compound files");

// ---- Excel workbooks (a stream of a compound file) ----
// Bytes of shared strings held in memory for a sink that wants to know where text stands (two per
// unit, five per string): each is handed out in the sheet of the first cell that shows it. The
// strings beyond are handed out in the table's order, in the Body.
inline constexpr std::size_t BiffMaxHeldStrings = 16 * MiB;
// Sheets whose names are kept (up to 255 characters each); later sheets are announced unnamed.
inline constexpr std::size_t BiffMaxSheets = 4096;
// The held strings in blocks (a sixteenth more), the names, a record read whole and the stream
// reader's buffer, beside the compound file's tables.
static_assert(CfbMaxMemory + BiffMaxHeldStrings / 16 * 17 + BiffMaxSheets * (2 * 255 + 64) + 128 * KiB <=
                  MaxDecodeMemory * 15 / 16,
              "Excel workbooks");

// ---- ZIP packages ----
// Most members the directory is read for, and most bytes of it held in memory.
inline constexpr std::size_t ZipMaxEntries = 50000;
inline constexpr std::size_t ZipMaxDirectoryBytes = 8 * MiB;
// Members with longer names are passed over: no part a reader sees is named so.
inline constexpr std::size_t ZipMaxNameLength = 1024;
// Inflated bytes one package may produce in all, and the ratio beyond which a member is cut.
inline constexpr std::uint64_t ZipPackageBudget = 128 * MiB;
inline constexpr std::uint64_t ZipSaneRatio = 200;
// Most bytes of a package's own bookkeeping part (content types, relationships, manifest).
inline constexpr std::size_t ZipMaxIndexPart = 4 * MiB;
// Bytes a part is inflated into at a time: after each call, inflate copies up to 32 KiB of what it
// wrote into its window, so a large block keeps that copying small against the output.
inline constexpr std::size_t ZipReadBlock = 256 * KiB;
// A package reads a directory of at most a fifth of the memory left: the directory's bytes
// while it is read, then each name three times (as stored, as a part name, as the index's key)
// with about ZipMemoryPerEntry bytes of bookkeeping per member, held as a lease of the file's
// memory. Beside them two index parts at once, the read block and zlib's state. (The directory's
// own bytes are let go before the second copy of the names is made.)
inline constexpr std::uint64_t ZipMemoryPerDirectoryByte = 5;
inline constexpr std::uint64_t ZipMemoryPerEntry = 256;
static_assert(3 * ZipMaxDirectoryBytes + ZipMaxEntries * ZipMemoryPerEntry + 2 * ZipMaxIndexPart + ZipReadBlock +
                      512 * KiB <=
                  MaxDecodeMemory * 3 / 4,
              "ZIP packages");

// A workbook's shared strings held for a sink that keeps places, so that each stands in the cell
// that shows it: at most this many bytes (counted as held), and at most an eighth of the file's
// memory left, taken as a lease of it. A larger table is read in its own order, as without places.
inline constexpr std::size_t OoxmlMaxHeldStrings = 8 * MiB;

// ---- OFD packages ----
// Pages, template pages and annotation files of one document whose names are kept: each name is
// 24 bytes (a view of its identifier in the index part and its member). A document that lists
// more pages than a package can hold members (ZipMaxEntries) names some of them twice at least.
inline constexpr std::size_t OfdMaxPages = 100000;
// Bytes of a page's start searched for the template pages it is drawn on, which a page names
// before its content.
inline constexpr std::size_t OfdPageHead = 16 * KiB;
// The package's directory and its reading as above, with the document's index and annotation
// list held at once (the two index parts), the three lists of names, which members were read, a
// page's start, and the XML text extractor's state.
static_assert(3 * ZipMaxDirectoryBytes + ZipMaxEntries * 160 + 2 * ZipMaxIndexPart + ZipReadBlock + 512 * KiB +
                      3 * OfdMaxPages * 24 + ZipMaxEntries / 8 + OfdPageHead + 16 * KiB <=
                  MaxDecodeMemory * 7 / 8,
              "OFD packages");

// ---- XML text ----
// Most bytes of the text attribute's value kept (a sheet name has at most 31 characters).
inline constexpr std::size_t XmlMaxAttributeValue = 1024;
// Most spaces one space element stands for (OpenDocument's <text:s text:c="N"/>): a line's worth
// many times over, while a count of billions gives no billion spaces.
inline constexpr std::size_t XmlMaxRepeatedSpaces = 1024;
// Most bytes of a reference's name between "&" and ";" (the longest is a number: "#x10FFFF" or
// "#1114111" with a few leading zeros); a longer one is text as written.
inline constexpr std::size_t XmlMaxReferenceName = 12;

// ---- Rich Text ----
// Groups deeper than this share the state of the deepest one kept.
inline constexpr std::size_t RtfMaxDepth = 1024;
// Fonts of the font table whose code pages are kept.
inline constexpr std::size_t RtfMaxFonts = 1024;
static_assert(RtfMaxDepth * 16 + RtfMaxFonts * 16 + 64 * KiB <= MaxDecodeMemory / 64, "Rich Text");

// ---- Mail (.eml, .mht) ----
// Multipart levels whose boundaries are followed, and messages held in messages with no multipart
// between them; the parts of deeper ones are passed over.
inline constexpr std::size_t MimeMaxDepth = 32;
// Bytes of a boundary followed (the standard allows 70).
inline constexpr std::size_t MimeMaxBoundary = 200;
// Bytes of one header block kept; the fields after them are not read.
inline constexpr std::size_t MimeMaxHeaderBytes = 64 * KiB;
// Parameters of one field read (a Content-Type's charset, boundary, name and its sections).
inline constexpr std::size_t MimeMaxParameters = 64;
// Bytes the mail is read in; a line longer than MimeMaxLineCopy, which no boundary line is, is
// handed on in pieces rather than gathered.
inline constexpr std::size_t MimeReadBlock = 64 * KiB;
inline constexpr std::size_t MimeMaxLineCopy = 512;
// What a mail's decoder holds, taken from the file's memory while it reads (an attachment's copy
// is taken apart, as every nested document's): the read block and its decoded copy; decoded text
// gathered up to two blocks, in UTF-16 twice (the mail's and a web page's units) and held once
// more by the charset decoder; an attachment's reading blocks; the header block with copies of
// the fields read from it; the boundaries.
inline constexpr std::size_t MimeMaxMemory =
    MimeReadBlock * (1 + 1 + 2 + 2 * 4 + 2) + 64 * KiB + MimeMaxHeaderBytes * 5 + MimeMaxDepth * (MimeMaxBoundary + 64);
static_assert(MimeMaxMemory <= MaxDecodeMemory / 16, "mail");

// ---- Web pages (HTML) ----
// Bytes at the start of a page searched for a <meta> or XML declaration of its charset.
inline constexpr std::size_t HtmlCharsetScanBytes = 1024;
// Units of a <meta> element's name and content kept (a page's keywords, description, author).
inline constexpr std::size_t HtmlMaxMetaValue = 1024;
// Most characters of a character reference's name after "&": the longest entity name and any
// number fit.
inline constexpr std::size_t HtmlMaxReferenceName = 32;
// Bytes of a page read and decoded at a time.
inline constexpr std::size_t HtmlReadBlock = 64 * KiB;
// What a web page's decoder holds, taken from the file's memory while it reads: the read block, a
// copy the charset decoder may hold, its UTF-16 form, the meta values and the tokenizer's names.
inline constexpr std::size_t HtmlMaxMemory =
    HtmlReadBlock * 4 + HtmlCharsetScanBytes + 2 * 2 * HtmlMaxMetaValue + 4 * KiB;
static_assert(HtmlMaxMemory <= MaxDecodeMemory / 64, "web pages");

// ---- PDF ----
namespace pdf {
// Decoded bytes one stream may give (of longer data, the first bytes), and all streams of one
// file together (64 times the file's size, within these bounds).
inline constexpr std::size_t MaxStreamBytes = 4 * MiB;
inline constexpr std::size_t MaxFileStreamBytes = 256 * MiB;
inline constexpr std::size_t MinFileStreamBytes = 32 * MiB;
// Parser nodes one object may hold, and one parse whose tokens are not kept (an object stream's
// table of numbers and offsets). A string or name counts one node more for every
// StringBytesPerNode bytes.
inline constexpr std::size_t MaxParseNodes = std::size_t(1) << 18;
inline constexpr std::size_t DefaultParseNodes = std::size_t(1) << 20;
inline constexpr std::size_t StringBytesPerNode = 64;
// Files up to this size are read whole; larger ones through a window of WindowSize bytes, which
// grows to hold an object or a stream (up to MaxStreamBytes).
inline constexpr std::uint64_t WholeFileBytes = 8 * MiB;
inline constexpr std::size_t WindowSize = 1 * MiB;
// Object numbers above this are ignored (the table costs XrefEntryBytes per number).
inline constexpr std::int64_t MaxObjects = std::int64_t(1) << 19;
inline constexpr std::size_t XrefEntryBytes = 16;
// Cross-reference sections followed through /Prev and /XRefStm.
inline constexpr int MaxSections = 512;
// Bytes at the file's end searched for "startxref".
inline constexpr std::size_t StartXrefTail = 2 * KiB;
// Bytes first read for an object or a cross-reference table (more when it runs on), and nodes of
// a trailer dictionary.
inline constexpr std::size_t FirstReadBytes = 64 * KiB;
inline constexpr std::size_t MaxTrailerNodes = std::size_t(1) << 16;
// A rebuild by scanning keeps the positions of the last trailers found, and reads objects only as
// far as a small dictionary goes (a catalog, an object stream's or cross-reference stream's).
inline constexpr std::size_t MaxRebuildTrailers = 4096;
inline constexpr std::size_t MaxRebuildNodes = 4096;
// Object loads nested in one another (a stream's length held in an object stream, ...),
// references followed from one to the next, and filters applied to one stream.
inline constexpr int MaxLoadNesting = 8;
inline constexpr int MaxRefHops = 8;
inline constexpr std::size_t MaxFilters = 8;
// Integer parameters of a filter (a predictor's columns) are taken up to this value.
inline constexpr int MaxFilterParm = 1 << 20;
// Parsed objects kept, counted in parser nodes, and decoded object streams kept, in bytes (the
// data and a table of ObjStmMemberBytes per member).
inline constexpr std::size_t MaxCacheNodes = std::size_t(1) << 15;
inline constexpr std::size_t MaxObjStmBytes = 8 * MiB;
inline constexpr std::size_t ObjStmMemberBytes = 32;
// Members of one object stream that are found (writers put a few hundred in each).
inline constexpr std::size_t MaxObjStmMembers = std::size_t(1) << 16;
// Parsing work one file may cost, in bytes read by the object parser: 16 times the file's size
// within these bounds (objects that run on to the end of a window are read again with a larger
// one, and evicted objects are read again; damaged files must not repeat that without end).
inline constexpr std::uint64_t MinParseBytes = 32 * MiB;
inline constexpr std::uint64_t MaxParseBytes = 512 * MiB;
// Arrays and dictionaries nest at most this deep: deeper ones end the parse with an error.
inline constexpr int MaxDepth = 32;
// Bytes one string keeps; the rest of a longer one is read and dropped (no text run is that long).
inline constexpr std::size_t MaxStringBytes = 1 * MiB;
// Mappings one CMap may hold (characters, ranges and array members together).
inline constexpr std::size_t MaxMappings = std::size_t(1) << 18;
// CMaps built on one another through /UseCMap, operands kept for one CMap operator, and code-space
// ranges of one CMap.
inline constexpr std::size_t MaxUseCMapChain = 4;
inline constexpr std::size_t MaxCMapOperands = 4096;
inline constexpr std::size_t MaxCodeSpaces = 256;
// Pages read at most, levels of the page tree followed, form XObjects nested at most.
inline constexpr std::size_t MaxPages = 100000;
inline constexpr std::size_t MaxPageTreeDepth = 256;
inline constexpr int MaxFormDepth = 12;
// Fonts kept at once, counted in mappings of MappingBytes (a font's own tables count as
// FontOwnWeight mappings).
inline constexpr std::size_t MaxFontWeight = std::size_t(1) << 16;
inline constexpr std::size_t MappingBytes = 96;
inline constexpr std::size_t FontOwnWeight = 16;
// Parser nodes that the operands of one operator hold together (a TJ array, a CMap's mappings),
// and operands kept for one operator.
inline constexpr std::size_t MaxOperandNodes = std::size_t(1) << 14;
inline constexpr std::size_t MaxOperands = 64;
// What one parser node may cost in memory: a 120-byte object or a 152-byte dictionary entry, in
// an array grown by doubling to twice that at most, with a short name's or string's own block
// (longer ones count more nodes).
inline constexpr std::size_t NodeBytes = 320;
}  // namespace pdf
// What a PDF holds at once at worst, term by term (MiB with the limits above):
//   the file's bytes: a small file's copy, or the window (a stream or an object at most)    8
//   the cross-reference table                                                                 8
//   object streams kept (one alone may pass MaxObjStmBytes by its member table)              8
//   parsed objects in the cache                                                               10
//   content held by the streams being run: a page's (with its next part) and its forms'      8
//   one stream being decoded: its raw or intermediate bytes and its output                   8
//   the operands of one operator, content or CMap (the other's are dropped first), and the
//   long string among them                                                                    6
//   fonts' mappings                                                                           6
//   the sets of object numbers met by the walk of the page tree and of forms, a bit each     0.1
// Reading the cross-reference data comes before all but the first two, and holds less: a table
// of up to MaxObjects rows being read (24 bytes each: 12 MiB) and one stream.
// Not counted: the objects in hand along the current path beyond the cache (the trailer, the
// levels of the page tree, a page's and a form's dictionaries), each at most MaxParseNodes nodes;
// nothing bounds their sum yet.
static_assert(std::max<std::uint64_t>(pdf::WholeFileBytes, pdf::MaxStreamBytes + KiB) +
                      std::uint64_t(pdf::MaxObjects) * pdf::XrefEntryBytes +
                      std::max(pdf::MaxObjStmBytes,
                               pdf::MaxStreamBytes + pdf::MaxObjStmMembers * pdf::ObjStmMemberBytes) +
                      pdf::MaxCacheNodes * pdf::NodeBytes + 2 * pdf::MaxStreamBytes + 2 * pdf::MaxStreamBytes +
                      pdf::MaxOperandNodes * pdf::NodeBytes + pdf::MaxStringBytes +
                      pdf::MaxFontWeight * pdf::MappingBytes + 2 * std::uint64_t(pdf::MaxObjects) / 8 <=
                  MaxDecodeMemory,
              "PDF");
namespace pdf {
// Of the terms above, what a PDF holds whatever memory its file has left: the cross-reference
// table, the page walk's sets, an object stream's member table, one long string and a little of
// the window. The other bounds (the file read whole, a stream, object streams kept, the cache,
// operands, fonts) shrink in proportion to what the file's memory has left beyond these, so that
// a PDF nested in another document (whose copy and container hold part of it) stays within the
// file's memory; a PDF with less than MinScaledShare of its full share left is not read.
inline constexpr std::uint64_t FixedMemory = std::uint64_t(MaxObjects) * XrefEntryBytes +
                                             2 * std::uint64_t(MaxObjects) / 8 + MaxObjStmMembers * ObjStmMemberBytes +
                                             MaxStringBytes + KiB;
inline constexpr std::uint64_t ScaledMemory = MaxDecodeMemory - FixedMemory;
inline constexpr unsigned MinScaledShare = 16;  // a sixteenth
}  // namespace pdf
