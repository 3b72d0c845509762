#pragma once
// A place where a file holds the keyword, as the engine's users show it: the match in the text
// around it, and where in the file it stands.
#include <string>

#include "pure/engine/keyhits.h"

struct TKeywordHit {
    // Up to 30 characters each side, of the same paragraph, cell or note as the match; the match
    // as the document writes it. No control characters; a line break shows as " ¶ ".
    std::wstring Before, Match, After;
    // Where the hit stands, in the system code page: 文件名, 正文, 第 N 页, 工作表「名称」, 批注,
    // 页眉/页脚, 脚注, 文档属性, 附件「名称」 (before the place inside the attachment), 原始字节
    // (偏移 N).
    std::string Where;
};

// The text of Where for a hit of the document's content.
std::string HitWhereText(const THitPlace& Where);

// The hit as the engine's users take it.
TKeywordHit ToKeywordHit(const TTextHit& Hit);

// The hit of the keyword in a file's name (Name in the system code page), found by the rules of
// the name test; false when the name does not hold it.
bool NameHit(const std::string& Name, const std::string& Keyword, TKeywordHit& Hit);
