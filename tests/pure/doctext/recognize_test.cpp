// Recognition of a document's format by its first bytes, never by its name: each format's head,
// and near misses that must not be taken for it.
#include <gtest/gtest.h>

#include "pure/doctext/document.h"

namespace {

std::string Recognized(const std::string& Head) {
    const TDocumentFormat* Format =
        RecognizeFormat(reinterpret_cast<const unsigned char*>(Head.data()), std::min(Head.size(), FormatHeadSize));
    return Format != nullptr ? Format->Name : "-";
}

TEST(FormatRecognition, EachFormatsHeadAndNearMisses) {
    const std::string Cfb("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8);
    const struct {
        std::string Head;
        const char* Expected;
    } Cases[] = {
        {Cfb + std::string(504, '\0'), "compound"},
        {Cfb.substr(0, 7), "-"},
        {"\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE0", "-"},
        {std::string("PK\x03\x04", 4) + "rest", "zip"},
        {"PK\x03", "-"},
        {std::string("PK\x05\x06", 4), "-"},  // an empty archive: nothing to read
        {"{\\rtf1\\ansi hello}", "rtf"},
        {"{\\rt", "-"},
        {" {\\rtf1", "-"},
        {"\xFE\xFF\x00\x41", "utf16be"},
        {"\xFF\xFE\x41\x00", "-"},  // UTF-16LE: the raw scan's own form
        {"%PDF-1.7\n", "pdf"},
        {std::string(1000, ' ') + "%PDF-1.4", "pdf"},  // after junk within the first kilobyte
        {std::string(1020, ' ') + "%PDF-1.4", "-"},    // cut by the kilobyte's end
        {"%PD", "-"},
        {"<!DOCTYPE html>\n<html>", "html"},
        {"\xEF\xBB\xBF <!-- saved --> <HTML lang=zh>", "html"},
        {"<?xml version=\"1.0\"?><html xmlns=\"x\">", "html"},
        {std::string("\xFE\xFF\x00<\x00h\x00t\x00m\x00l\x00>", 14), "html"},  // before UTF-16BE text
        {"<htmlx>", "-"},
        {"<p>a fragment</p>", "-"},
        {"<html>%PDF-1.4", "html"},
        {"From: a@example.com\r\nTo: b@example.com\r\nSubject: s\r\n\r\n", "mime"},
        {"MIME-Version: 1.0\r\nContent-Type: multipart/related; boundary=x\r\n\r\n", "mime"},
        {"From: a@example.com\r\nthis is a note\r\n", "-"},
        {"Subject: s\r\nTo: b\r\n", "-"},  // two fields only
        {"plain text", "-"},
        {"", "-"},
    };
    for (const auto& C : Cases) EXPECT_EQ(Recognized(C.Head), C.Expected) << C.Head;
}

}  // namespace
