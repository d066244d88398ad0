#pragma once
// Results of the macro library's operations, and the messages the program shows for them.
#include <cstddef>

namespace corv {

// The largest number of macros the library holds.
inline constexpr std::size_t kMaxMacros = 50;

// Message texts (the formats take the numbers named beside them).
inline constexpr const char* kMsgMacroLimit = "最多支持%d个宏";                      // kMaxMacros
inline constexpr const char* kMsgMacroNameTaken = "存在同名的宏，请重新命名";        // no number
inline constexpr const char* kMsgMacroNoSpace = "硬件空间不足，请减少至少%d个动作";  // actions to remove
inline constexpr const char* kMsgMacroDataError = "数据错误，请重试";                // no number
// Said once after a connection that wrote the library into a mouse whose last macro write
// had been cut off (no number).
inline constexpr const char* kMsgMacrosRestored = "上次写入鼠标的宏没有完成，已用本机保存的宏恢复鼠标中的宏";

enum class MacroResult {
    Ok,
    Unchanged,         // a rename to the macro's own name (any case): nothing to do, no message
    NoSuchMacro,       // the index names no macro (nothing selected): nothing to do, no message
    LimitReached,      // the library already holds kMaxMacros macros: kMsgMacroLimit
    NameTaken,         // another macro has this name, compared without regard to case: kMsgMacroNameTaken
    InvalidName,       // the name cannot be a file name (empty, blank, '/', control characters,
                       // "." or "..", leading or trailing blanks, enclosed in quotes, too long)
    TargetExists,      // a rename whose new file already exists in the data folder: the old
                       // name stays in the index and on disk
    SourceUnreadable,  // an import whose chosen file is missing, not a regular file or too large
    FileError,         // a file could not be written, moved or removed: nothing was changed
};

// The message a result shows, as a format (kMsgMacroLimit takes kMaxMacros), or null for a
// result that shows no fixed text.
inline const char* macroResultMessage(MacroResult result)
{
    switch (result) {
    case MacroResult::LimitReached:
        return kMsgMacroLimit;
    case MacroResult::NameTaken:
        return kMsgMacroNameTaken;
    default:
        return nullptr;
    }
}

}  // namespace corv
