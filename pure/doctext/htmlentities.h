#pragma once
// Character references of web pages: named entities and numeric references.
#include <string_view>

// The code point of the reference Name (between "&" and ";"): a named entity of HTML 4 or &apos;
// (case counts: &Eacute; is not &eacute;), or "#" and decimal digits, or "#x" and hexadecimal
// ones, read as browsers read them: 0x80..0x9F as windows-1252 reads those bytes, zero,
// surrogates and values beyond U+10FFFF as U+FFFD. 0 when Name is none of these.
char32_t HtmlReference(std::string_view Name);

// True when one of the named entities stands for C.
bool HtmlEntityStandsFor(char32_t C);
