#pragma once
// Sending a file through the ordinary send path, at the line's pace: a piece
// every tick of kTickMs, as many bytes as the line carries in that time at the
// chosen baud rate, so that the user interface stays free between pieces. In
// 16进制发送 the file is text, one hex frame a line (with the CRC when
// CRC选择框 is checked), each frame written whole once the line has had time
// for it; otherwise its bytes go out as they are. Counted in "TX:" as they go;
// the display shows the first and the last frame (or piece) and a note with
// the total, and the status bar the progress.
#include <cstdint>
#include <fstream>
#include <functional>
#include <string>
#include <string_view>

#include "base/event_loop.h"
#include "main_window/app_state.h"
#include "ui/model.h"

namespace vorta::transmit {

class FileSend {
public:
    // Writes bytes to the port; the count that went out.
    using Write = std::function<std::size_t(std::string_view bytes)>;
    // Told on the UI thread once the sending has ended, however it ended.
    using OnEnded = std::function<void()>;

    static constexpr int kTickMs = 20;
    static constexpr int kProgressPanel = 4;

    FileSend(ui::Model& model, main_window::AppState& state, Write write);
    ~FileSend();
    FileSend(const FileSend&) = delete;
    FileSend& operator=(const FileSend&) = delete;

    // Starts sending `nativePath` from the main window's send mode, CRC box and
    // baud rate. False, with a note in the display, when the file cannot be opened.
    bool start(ui::Window& main, const std::string& nativePath, OnEnded onEnded);
    // Stops at once; what went out stays counted, and a note says how much that was.
    void cancel();
    bool running() const { return timer_ != 0; }

private:
    void tick();
    // The next frame of a hex file, empty at its end; a line that is not a frame is skipped with a note.
    bool nextFrame(std::string& bytes, std::string& echo);
    void echo(const std::string& text);
    void finish(const std::string& note);
    void showProgress();

    ui::Model& model_;
    main_window::AppState& state_;
    Write write_;
    OnEnded onEnded_;
    std::string window_;  // the main window's name, looked up at each tick
    std::ifstream file_;
    bool hex_ = false;
    bool crc_ = false, crcReversed_ = false;
    std::uint64_t bytesPerTick_ = 1;
    std::uint64_t budget_ = 0;  // bytes the line could have carried since the last write
    std::uint64_t total_ = 0;   // the file's size
    std::uint64_t read_ = 0;    // of the file, so far
    std::uint64_t sent_ = 0;    // to the port, so far
    std::uint64_t frames_ = 0;
    std::string pending_, pendingEcho_;  // the frame waiting for the line
    std::string lastEcho_;
    int lineNumber_ = 0;
    base::EventLoop::TimerId timer_ = 0;
};

}  // namespace vorta::transmit
