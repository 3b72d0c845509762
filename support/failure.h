#pragma once
// The one failure type of the support library: its text is the fixed message in the program's
// code page (GBK), with the file name filled in where the message names one.
#include <stdexcept>
#include <string>

class TSupportError : public std::runtime_error {
public:
    explicit TSupportError(const std::string& Text) : std::runtime_error(Text) {}
};

// Message texts. Those with %s take a file name.
namespace FailureText {
inline constexpr const char* CannotCreateFile = "不能创建文件 %s";
inline constexpr const char* WriteFailed = "写流出错";
inline constexpr const char* CannotOpenFile = "不能打开文件 %s";
inline constexpr const char* ReadFailed = "读流发生错误";
inline constexpr const char* OutOfMemory = "扩大内存流时内存溢出";
inline constexpr const char* BadDate = "日期编码参数无效";
inline constexpr const char* BadTime = "时间编码参数无效";
}  // namespace FailureText

// Fills the one %s of Message with Name (no other conversion is interpreted).
inline std::string FillName(const char* Message, const std::string& Name) {
    std::string Text(Message);
    const auto At = Text.find("%s");
    if (At != std::string::npos) Text.replace(At, 2, Name);
    return Text;
}

[[noreturn]] inline void Fail(const char* Message, const std::string& Name = std::string()) {
    throw TSupportError(FillName(Message, Name));
}
