#include "main_window/failure_notes.h"

#include <string>
#include "codec/gbk_literal.h"

namespace vorta::main_window {
namespace {

using store::WriteCause;

// After the write causes, so it has a bit of its own.
constexpr unsigned kEnterKeyCause = 31;

}  // namespace

ui::Text FailureNotes::noteFor(const store::WriteResult& result) {
    const char* why = nullptr;
    switch (result.cause) {
    case WriteCause::Written:
    case WriteCause::Declined: return {};
    case WriteCause::DiskFull: why = "磁盘已满。"_gbk; break;
    case WriteCause::FolderMissing: why = "文件夹已不存在。"_gbk; break;
    case WriteCause::NoPermission: why = "没有写入权限。"_gbk; break;
    case WriteCause::ReadOnlyDisk: why = "磁盘为只读。"_gbk; break;
    case WriteCause::OthersFile: why = "文件属于其他用户。"_gbk; break;
    case WriteCause::NotAFile: why = "同名的不是普通文件。"_gbk; break;
    case WriteCause::Unreadable: why = "文件无法读取。"_gbk; break;
    case WriteCause::BadItem: why = "内容含有换行。"_gbk; break;
    case WriteCause::Failed:
        return "  → 设置未能保存！写入出错（错误 "_gbk + std::to_string(result.error) + "）。\r\n"_gbk;
    }
    return why ? "  → 设置未能保存！"_gbk + ui::Text(why) + "\r\n" : ui::Text();
}

void FailureNotes::report(const store::WriteResult& result) const {
    const ui::Text note = noteFor(result);
    if (!note.empty()) sayOnce(static_cast<unsigned>(result.cause), note);
}

void FailureNotes::enterKeyNotTaken() const {
    sayOnce(kEnterKeyCause, "  → 回车键已被其他程序占用，按回车键发送无效。\r\n"_gbk);
}

void FailureNotes::sayOnce(unsigned cause, const ui::Text& note) const {
    const std::uint32_t bit = std::uint32_t{1} << cause;
    if (said_ & bit) return;
    if (sink_ && sink_(note)) said_ |= bit;
}

}  // namespace vorta::main_window
