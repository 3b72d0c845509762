#pragma once
// The search engine.
#include <string>

class Tzemzuvave {
public:
    // True when the file's name holds the keyword (by the locale's case rules), or its bytes hold
    // it in the 8-bit code page or in UTF-16LE (ASCII letters folded). Keyword is not empty.
    // Fails with "不能打开文件 %s", "读流发生错误" or "扩大内存流时内存溢出" when the file's
    // content is needed and cannot be read.
    static bool FileMatches(const std::string& Path, const std::string& Keyword);
    // The keyword's UTF-16LE bytes, without a terminating zero unit.
    static std::string KeywordToWide(const std::string& Keyword);
};
