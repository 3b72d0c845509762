#pragma once
// The header fields of mail and of its parts: a field's value unfolded, text with encoded words
// ("=?gb2312?B?...?=") decoded, and the parameters of structured values (a Content-Type's
// boundary and charset, a file name in any of the forms mail programs write it).
#include <string>
#include <string_view>

#include "pure/doctext/decodeenv.h"

// The value of the first field called Name (letters in any case) in Block, a header block whose
// lines end with LF, unfolded: the line ends before white space removed. Empty when absent.
std::string MimeField(std::string_view Block, std::string_view Name);

// Header text as a reader sees it: encoded words in B and Q forms decoded in their charset (an
// unknown one read as the system's code page), adjacent ones joined without the white space
// between them (a character its writer cut between two words is whole again), other bytes read
// as UTF-8 when valid as such, else in the system's code page.
std::u16string DecodeHeaderText(std::string_view Value, const TDecodeEnv& Env);

// The first token of a structured value (its type: "text/plain", "attachment"), in lower case.
std::string MimeValueToken(std::string_view Value);

// The parameter Name (in lower case) of a structured value, as bytes: quoted strings unquoted,
// continued and percent-encoded parts (name*0*=gb2312''%BA%CF; name*1*=...) joined and decoded.
// Empty when absent.
std::string MimeParameter(std::string_view Value, std::string_view Name);

// The parameter Name as text: in the charset its encoded form names, else with encoded words and
// other bytes read as in header text (see DecodeHeaderText).
std::u16string MimeParameterText(std::string_view Value, std::string_view Name, const TDecodeEnv& Env);

// The code page of a part's charset label: CodePageAuto when there is none, the system's code
// page for one of no known character set.
unsigned MimeCodePage(std::string_view Label, const TDecodeEnv& Env);
