#include "transmit/file_send.h"

#include <algorithm>

#include "codec/crc16.h"
#include "codec/gbk_text.h"
#include "codec/hex_text.h"
#include "ui/line_stamp.h"
#include "ui/windows/control_ids.h"
#include "codec/gbk_literal.h"

namespace vorta::transmit {
namespace {

using namespace ui::main;

// Bytes a tick of raw sending reads at most, whatever the baud rate: the tick stays short.
constexpr std::uint64_t kMostPerTick = std::uint64_t{64} * 1024;

std::string Count(std::uint64_t n) { return std::to_string(n); }

}  // namespace

FileSend::FileSend(ui::Model& model, main_window::AppState& state, Write write)
    : model_(model), state_(state), write_(std::move(write)) {}

FileSend::~FileSend() {
    if (timer_) model_.loop().stopTimer(timer_);
}

bool FileSend::start(ui::Window& main, const std::string& nativePath, OnEnded onEnded) {
    if (running()) return false;
    window_ = main.name();
    file_ = std::ifstream(nativePath, std::ios::binary | std::ios::ate);
    if (!file_) {
        main[kDisplay].append("  → 文件无法打开，未能发送。\r\n"_gbk, state_.noteFormat);
        main[kDisplay].scrollToEnd();
        return false;
    }
    total_ = static_cast<std::uint64_t>(std::max<std::streamoff>(0, file_.tellg()));
    file_.seekg(0);
    hex_ = main[kHexSend].checked();
    crc_ = hex_ && main[kCrc].checked();
    crcReversed_ = main[kCrcReversed].checked();
    const int baud = std::max(1, codec::TextToInt(main[kBaud].text()));
    // Ten bits a byte on the line (start, eight data bits, stop).
    bytesPerTick_ = std::max<std::uint64_t>(1, static_cast<std::uint64_t>(baud) * kTickMs / 10000);
    budget_ = read_ = sent_ = frames_ = 0;
    pending_.clear();
    pendingEcho_.clear();
    lastEcho_.clear();
    lineNumber_ = 0;
    onEnded_ = std::move(onEnded);
    timer_ = model_.loop().startTimer(kTickMs, [this] { tick(); });
    showProgress();
    return true;
}

void FileSend::cancel() {
    if (running()) finish("  → 文件发送已取消：已发送 "_gbk + Count(sent_) + " 字节。\r\n"_gbk);
}

bool FileSend::nextFrame(std::string& bytes, std::string& echo) {
    std::string line;
    while (std::getline(file_, line)) {
        ++lineNumber_;
        read_ += line.size() + 1;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        const codec::HexFrame frame = codec::ParseHexFrame(line);
        if (frame.bytes.empty() && frame.evenLength) continue;  // a blank line
        if (!frame.evenLength) {
            echo.clear();
            this->echo("  → 第 "_gbk + std::to_string(lineNumber_) + " 行长度错误，未发送。\r\n"_gbk);
            continue;
        }
        bytes = frame.bytes;
        echo = frame.text;
        if (crc_) {
            const std::string crc = codec::Crc16Bytes(codec::Crc16Modbus(frame.bytes), crcReversed_);
            bytes += crc;
            echo += " ";
            codec::AppendHexCells(echo, crc);
            echo.pop_back();
        }
        return true;
    }
    read_ = total_;
    return false;
}

void FileSend::tick() {
    ui::Window* main = model_.window(window_);
    if (!main) return cancel();
    std::string bytes, echoed;
    if (hex_) {
        if (pending_.empty() && !nextFrame(pending_, pendingEcho_))
            return finish("  → 文件发送完毕：共 "_gbk + Count(frames_) + " 帧，"_gbk + Count(sent_) +
                          " 字节。\r\n"_gbk);
        // A frame goes out whole once the line has had the time for it.
        budget_ = std::min<std::uint64_t>(budget_ + bytesPerTick_, std::max<std::uint64_t>(pending_.size(), 1));
        if (budget_ < pending_.size()) return showProgress();
        budget_ -= pending_.size();
        bytes.swap(pending_);
        echoed.swap(pendingEcho_);
    } else {
        bytes.resize(static_cast<std::size_t>(std::min(bytesPerTick_, kMostPerTick)));
        file_.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        bytes.resize(static_cast<std::size_t>(file_.gcount()));
        if (bytes.empty()) return finish("  → 文件发送完毕：共 "_gbk + Count(sent_) + " 字节。\r\n"_gbk);
        read_ += bytes.size();
        echoed = bytes;
    }
    const std::size_t sent = write_(bytes);
    sent_ += sent;
    state_.txCount += static_cast<std::int64_t>(sent);
    (*main)[kStatusBar].setPanelText(1, "TX:" + std::to_string(state_.txCount));
    if (sent != bytes.size())
        return finish("  → 文件发送中断：已发送 "_gbk + Count(sent_) + " 字节（文件共 "_gbk + Count(total_) +
                      " 字节）。\r\n"_gbk);
    ++frames_;
    // The first frame is shown at once, the last when the file has ended; not the megabytes between.
    if (frames_ == 1) {
        echo(echoed + "\r\n");
    } else {
        lastEcho_ = std::move(echoed);
    }
    showProgress();
}

void FileSend::echo(const std::string& text) {
    if (ui::Window* main = model_.window(window_)) {
        ui::RichTextBox& display = (*main)[kDisplay];
        const bool note = text.rfind("  → "_gbk, 0) == 0;
        if (!note && state_.timestamps) ui::StampLineStart(display, state_.noteFormat, ui::NowMicros());
        display.append(text, note ? state_.noteFormat : state_.sentFormat);
        display.scrollToEnd();
    }
}

void FileSend::finish(const std::string& note) {
    model_.loop().stopTimer(timer_);
    timer_ = 0;
    file_.close();
    if (frames_ > 1 && !lastEcho_.empty()) {
        if (frames_ > 2) echo("  → ……\r\n"_gbk);
        echo(lastEcho_ + "\r\n");
    }
    echo(note);
    if (ui::Window* main = model_.window(window_)) (*main)[kStatusBar].setPanelText(kProgressPanel, "");
    if (onEnded_) onEnded_();
}

void FileSend::showProgress() {
    if (ui::Window* main = model_.window(window_))
        (*main)[kStatusBar].setPanelText(kProgressPanel,
                                         "发送 "_gbk + Count(read_) + "/" + Count(total_) + " 字节"_gbk);
}

}  // namespace vorta::transmit
