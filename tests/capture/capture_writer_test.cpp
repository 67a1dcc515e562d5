#include "capture/capture_writer.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <cstring>
#include <sstream>
#include <thread>

#include "base/virtual_loop.h"
#include "capture/capture_record.h"
#include "capture/fake_disk.h"
#include "support/temp_dir.h"
#include "codec/gbk_literal.h"

namespace vorta::capture {
namespace {

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

TEST(CaptureRecord, RecordsComeBackAsWritten) {
    const std::vector<Record> records = {
        {Direction::Received, 1'700'000'000'123'456, std::string("\x01\x03\x02\x00\x0A", 5)},
        {Direction::Sent, 1'700'000'000'200'000, std::string("\x00\xFF\r\n", 4)},
        {Direction::Received, 0, std::string(70000, '\xA5')},  // longer than 16 bits of length
    };
    std::string file(kFileMagic);
    for (const Record& r : records) AppendRecord(file, r.direction, r.micros, r.bytes);
    const ParsedFile parsed = ParseCapture(file);
    EXPECT_TRUE(parsed.magicOk);
    EXPECT_FALSE(parsed.truncated);
    EXPECT_EQ(parsed.records, records);
    EXPECT_EQ(parsed.validBytes, file.size());
}

TEST(CaptureRecord, TheHeaderIsLittleEndianAndReadableInAHexDump) {
    std::string record;
    AppendRecord(record, Direction::Sent, 0x0102030405060708, "AB");
    EXPECT_EQ(record, std::string("T\x08\x07\x06\x05\x04\x03\x02\x01\x02\x00\x00\x00"
                                  "AB",
                                  15));
}

TEST(CaptureRecord, ARecordCutShortIsDroppedAndTheRestKept) {
    std::string file(kFileMagic);
    AppendRecord(file, Direction::Received, 5, "whole");
    const std::size_t whole = file.size();
    AppendRecord(file, Direction::Received, 6, "cut short");
    for (const std::size_t cut : {whole + 1, whole + kRecordHeaderBytes - 1, whole + kRecordHeaderBytes + 3}) {
        const ParsedFile parsed = ParseCapture(std::string_view(file).substr(0, cut));
        ASSERT_EQ(parsed.records.size(), 1u) << cut;
        EXPECT_EQ(parsed.records[0].bytes, "whole");
        EXPECT_TRUE(parsed.truncated);
        EXPECT_EQ(parsed.validBytes, whole);
    }
    EXPECT_FALSE(ParseCapture("not a capture").magicOk);
}

TEST(CaptureRotation, LaterFilesAreNumberedBeforeTheExtension) {
    const std::pair<std::string, std::string> cases[] = {
        {"/m/cap.bin", "/m/cap-3.bin"}, {"/m/cap", "/m/cap-3"}, {"/m.d/cap", "/m.d/cap-3"}, {"/m/.cap", "/m/.cap-3"}};
    for (const auto& [path, third] : cases) {
        EXPECT_EQ(RotatedPath(path, 1), path);
        EXPECT_EQ(RotatedPath(path, 3), third);
    }
}

struct Fixture : ::testing::Test {
    test::TempDir dir;
    base::VirtualLoop loop;
    std::vector<CaptureWriter::Progress> progress;
    CaptureWriter::OnProgress record() {
        return [this](const CaptureWriter::Progress& p) { progress.push_back(p); };
    }
};

TEST_F(Fixture, EveryChunkReachesTheFileInOrderWithItsDirectionAndTime) {
    const std::string path = dir.file("cap.bin");
    {
        CaptureWriter writer(loop, path, 0, false, record());
        ASSERT_EQ(writer.start(), "");
        for (int i = 0; i < 1000; ++i)
            writer.add(i % 3 ? Direction::Received : Direction::Sent, 1000 + i, std::string(1 + i % 50, char(i)));
        writer.stop();
    }
    const ParsedFile parsed = ParseCapture(ReadFile(path));
    ASSERT_EQ(parsed.records.size(), 1000u);
    EXPECT_FALSE(parsed.truncated);
    for (int i = 0; i < 1000; ++i) {
        const Record& r = parsed.records[std::size_t(i)];
        EXPECT_EQ(r.direction, i % 3 ? Direction::Received : Direction::Sent);
        EXPECT_EQ(r.micros, 1000 + i);
        ASSERT_EQ(r.bytes, std::string(1 + i % 50, char(i)));
    }
    // The writer went before the progress was pumped: nothing runs for it.
    loop.runPending();
    EXPECT_TRUE(progress.empty());
}

TEST_F(Fixture, TheFileIsWrittenWithinASecondWithoutStopping) {
    const std::string path = dir.file("cap.bin");
    CaptureWriter writer(loop, path, 0, false, record());
    ASSERT_EQ(writer.start(), "");
    writer.add(Direction::Received, 1, "early");
    ASSERT_TRUE(loop.runUntilReal([&] { return !progress.empty(); }, std::chrono::seconds(3)));
    EXPECT_EQ(ParseCapture(ReadFile(path)).records.size(), 1u);
    EXPECT_EQ(progress.back().bytesWritten, kFileMagic.size() + kRecordHeaderBytes + 5);
    EXPECT_EQ(progress.back().path, path);
    EXPECT_EQ(progress.back().error, "");
}

TEST_F(Fixture, RotationStartsANewFileOnceOneHasReachedTheSize) {
    const std::string path = dir.file("cap.bin");
    const std::string chunk(100, 'x');
    {
        CaptureWriter writer(loop, path, 1000, false, record());
        ASSERT_EQ(writer.start(), "");
        for (int i = 0; i < 25; ++i) writer.add(Direction::Received, i, chunk);
        writer.stop();
    }
    // 8 + 8 × 113 = 912 bytes, a ninth record would pass 1000: 8, 8, 8 and 1 records.
    std::vector<std::int64_t> times;
    const std::size_t perFile[] = {8, 8, 8, 1};
    for (int n = 1; n <= 4; ++n) {
        const ParsedFile parsed = ParseCapture(ReadFile(RotatedPath(path, n)));
        ASSERT_TRUE(parsed.magicOk) << n;
        EXPECT_EQ(parsed.records.size(), perFile[n - 1]) << n;
        for (const Record& r : parsed.records) times.push_back(r.micros);
    }
    EXPECT_FALSE(std::ifstream(RotatedPath(path, 5)).good());
    ASSERT_EQ(times.size(), 25u);
    for (int i = 0; i < 25; ++i) EXPECT_EQ(times[std::size_t(i)], i);
}

TEST_F(Fixture, AFileThatCannotBeCreatedSaysWhy) {
    CaptureWriter writer(loop, dir.file("no-such-folder/cap.bin"), 0, false, record());
    EXPECT_EQ(writer.start(), "No such file or directory");
    writer.add(Direction::Received, 1, "dropped");  // not started: nothing happens
}

TEST_F(Fixture, AFullDiskEndsTheCaptureWithItsCause) {
    // /dev/full takes the header's open but refuses every write.
    CaptureWriter writer(loop, "/dev/full", 0, false, record());
    EXPECT_EQ(writer.start(), "No space left on device");
}

struct FakeDiskFixture : Fixture {
    std::shared_ptr<fakes::FakeDisk> disk = std::make_shared<fakes::FakeDisk>();
    std::unique_ptr<CaptureWriter> writer(const std::string& path, std::uint64_t rotate, bool shownText) {
        return std::make_unique<CaptureWriter>(loop, path, rotate, shownText, record(), fakes::FakeDisk::Sinks(disk));
    }
    std::vector<Record> records(const std::string& path) {
        const ParsedFile parsed = ParseCapture(disk->file(path));
        EXPECT_TRUE(parsed.magicOk) << path;
        EXPECT_FALSE(parsed.truncated) << path;
        return parsed.records;
    }
};

// The display's text, in whatever pieces it was written, comes out with every
// line end "\r\n", as a saved display has it; the capture file holds only the wire.
TEST_F(FakeDiskFixture, TheDisplaysTextGoesBesideInTheSavedForm) {
    const std::pair<std::vector<std::string>, std::string> cases[] = {
        {{"01 02 \r\n", "03 "}, "01 02 \r\n03 "},
        {{"A\r", "\nB"}, "A\r\nB"},                          // a line end cut between two writes
        {{"A\n", "B\r", "C\r\r\n"}, "A\r\nB\r\nC\r\n\r\n"},  // lone ends as a device sent them
        {{"\xD6\xD0\r"}, "\xD6\xD0\r\n"},                    // a last lone "\r" is written out at the end
    };
    for (const auto& [pieces, saved] : cases) {
        {
            CaptureWriter w(loop, "/m/cap.bin", 0, true, {}, fakes::FakeDisk::Sinks(disk));
            ASSERT_EQ(w.start(), "");
            w.add(Direction::Received, 1, "wire");
            for (const std::string& piece : pieces) w.addShown(piece);
        }
        EXPECT_EQ(disk->file("/m/cap.bin.txt"), saved);
        EXPECT_EQ(records("/m/cap.bin"), (std::vector<Record>{{Direction::Received, 1, "wire"}}));
    }
    // Without the option no text file is made.
    disk->files.clear();
    {
        CaptureWriter w(loop, "/m/cap.bin", 0, false, {}, fakes::FakeDisk::Sinks(disk));
        ASSERT_EQ(w.start(), "");
        w.addShown("dropped");
    }
    EXPECT_EQ(disk->files.count("/m/cap.bin.txt"), 0u);
}

// Text file n holds what the display showed while capture file n was written.
TEST_F(FakeDiskFixture, TheTextFileRotatesWithItsCaptureFile) {
    {
        auto w = writer("/m/cap.bin", 1000, true);
        ASSERT_EQ(w->start(), "");
        for (int i = 0; i < 25; ++i) {
            w->add(Direction::Received, i, std::string(100, 'x'));
            w->addShown(std::to_string(i) + "\n");
        }
    }
    // 8, 8, 8 and 1 records a file, as in CaptureRotation above.
    const int firstOfFile[] = {0, 8, 16, 24, 25};
    for (int n = 1; n <= 4; ++n) {
        const std::string path = RotatedPath("/m/cap.bin", n);
        std::string expected;
        for (int i = firstOfFile[n - 1]; i < firstOfFile[n]; ++i) expected += std::to_string(i) + "\r\n";
        EXPECT_EQ(disk->file(path + ".txt"), expected) << n;
        EXPECT_EQ(records(path).size(), std::size_t(firstOfFile[n] - firstOfFile[n - 1])) << n;
    }
}

// A step that fails, in either file, ends the capture with its cause and the
// failing file's name; what was written before stays a valid capture file.
TEST_F(FakeDiskFixture, AFailureInEitherFileEndsTheCaptureNamingIt) {
    struct Case {
        const char* suffix;
        const char* step;
        bool atStart;  // start() already says so
        const char* failing;
    };
    const Case cases[] = {
        {".bin", "create", true, "/m/cap.bin"}, {".txt", "create", true, "/m/cap.bin.txt"},
        {".bin", "data", false, "/m/cap.bin"},  {".txt", "data", false, "/m/cap.bin.txt"},
        {".bin", "sync", false, "/m/cap.bin"},  {".txt", "sync", false, "/m/cap.bin.txt"},
    };
    for (const Case& c : cases) {
        const std::string what = std::string(c.suffix) + " " + c.step;
        disk = std::make_shared<fakes::FakeDisk>();
        disk->failSuffix = c.suffix;
        disk->failStep = c.step;
        progress.clear();
        auto w = writer("/m/cap.bin", 0, true);
        if (c.atStart) {
            EXPECT_EQ(w->start(), "Input/output error") << what;
            continue;
        }
        ASSERT_EQ(w->start(), "") << what;
        w->add(Direction::Received, 1, "lost");
        w->addShown("lost");
        ASSERT_TRUE(loop.runUntilReal([&] { return !progress.empty(); }, std::chrono::seconds(3))) << what;
        EXPECT_EQ(progress.back().error, "Input/output error") << what;
        EXPECT_EQ(progress.back().path, c.failing) << what;
        w->add(Direction::Received, 2, "after");  // dropped: the capture has ended
        w->stop();
        EXPECT_TRUE(ParseCapture(disk->file("/m/cap.bin")).magicOk) << what;
        EXPECT_EQ(progress.size(), 1u) << what;
    }
}

// A disk that writes slowly is waited for: every byte reaches the file.
TEST_F(FakeDiskFixture, ASlowDiskIsWaitedForAndLosesNothing) {
    disk->crawl = std::chrono::milliseconds(20);  // 64 KB in 20 ms: about 3 MB/s
    const std::string chunk(4096, 'y');
    {
        auto w = writer("/m/cap.bin", 0, false);
        ASSERT_EQ(w->start(), "");
        for (int i = 0; i < 768; ++i) w->add(Direction::Received, i, chunk);  // 3 MB, three times the buffer
    }
    const std::vector<Record> got = records("/m/cap.bin");
    ASSERT_EQ(got.size(), 768u);
    for (int i = 0; i < 768; ++i) ASSERT_EQ(got[std::size_t(i)].micros, i);
    loop.runPending();
    for (const CaptureWriter::Progress& p : progress) EXPECT_EQ(p.error, "");
}

// A disk that stops answering without failing holds the caller at most
// kStallAfter once: then the capture ends, later chunks go at once, and stop()
// leaves the stuck thread behind. The file is valid up to the last write that returned.
TEST_F(FakeDiskFixture, AHangingDiskEndsTheCaptureInsteadOfHoldingTheCaller) {
    using Clock = std::chrono::steady_clock;
    disk->writesBeforeHang = 3;  // the header and two pieces
    const std::string chunk(16 * 1024, 'z');
    auto w = writer("/m/cap.bin", 0, false);
    ASSERT_EQ(w->start(), "");
    const Clock::time_point begun = Clock::now();
    int handed = 0;
    while (progress.empty() && Clock::now() - begun < std::chrono::seconds(10)) {
        w->add(Direction::Received, handed++, chunk);
        loop.runPending();
    }
    const auto held = Clock::now() - begun;
    ASSERT_FALSE(progress.empty());
    EXPECT_TRUE(disk->isHanging());
    EXPECT_EQ(progress.back().error, "磁盘 3 秒没有写入任何数据"_gbk);
    EXPECT_EQ(progress.back().path, "/m/cap.bin");
    EXPECT_GE(held, CaptureWriter::kStallAfter);
    EXPECT_LT(held, CaptureWriter::kStallAfter + std::chrono::seconds(2));
    EXPECT_GT(handed, int(CaptureWriter::kMaxPendingBytes / chunk.size()));  // the buffer filled first

    const Clock::time_point after = Clock::now();
    w->add(Direction::Received, handed, chunk);
    w.reset();  // stop() does not wait for the stuck thread
    EXPECT_LT(Clock::now() - after, std::chrono::milliseconds(500));
    const std::string file = disk->file("/m/cap.bin");
    const ParsedFile parsed = ParseCapture(file);
    EXPECT_TRUE(parsed.magicOk);
    for (std::size_t i = 0; i < parsed.records.size(); ++i) ASSERT_EQ(parsed.records[i].micros, std::int64_t(i));

    disk->release();  // the thread left behind ends by itself, writing nothing more
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_LE(disk->file("/m/cap.bin").size(), file.size() + CaptureWriter::kPieceBytes);
    loop.runPending();
    EXPECT_EQ(progress.size(), 1u);
}

TEST(CaptureKill, AKilledCaptureLeavesAValidFileUpToTheLastSecond) {
    test::TempDir dir;
    const std::string path = dir.file("cap.bin");
    int ready[2];
    ASSERT_EQ(pipe(ready), 0);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        // Sequence numbers, one chunk a millisecond, until killed.
        base::VirtualLoop loop;
        CaptureWriter writer(loop, path, 0, false, {});
        if (!writer.start().empty()) _exit(1);
        (void)!write(ready[1], "r", 1);
        for (std::uint32_t i = 0;; ++i) {
            writer.add(Direction::Received, NowMicros(), std::string(reinterpret_cast<const char*>(&i), sizeof i));
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    }
    close(ready[1]);
    char c = 0;
    ASSERT_EQ(read(ready[0], &c, 1), 1);
    close(ready[0]);
    std::this_thread::sleep_for(std::chrono::milliseconds(2500));
    const std::int64_t killedAt = NowMicros();
    ASSERT_EQ(kill(child, SIGKILL), 0);
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status));

    const ParsedFile parsed = ParseCapture(ReadFile(path));
    ASSERT_TRUE(parsed.magicOk);
    EXPECT_FALSE(parsed.truncated);
    ASSERT_GT(parsed.records.size(), 100u);
    for (std::size_t i = 0; i < parsed.records.size(); ++i) {
        std::uint32_t n = 0;
        ASSERT_EQ(parsed.records[i].bytes.size(), sizeof n);
        std::memcpy(&n, parsed.records[i].bytes.data(), sizeof n);
        ASSERT_EQ(n, i) << "a chunk lost or out of order";
    }
    // The writer writes at least once a second: what is missing is the last second or so.
    EXPECT_GT(parsed.records.back().micros, killedAt - 1'500'000);
}

}  // namespace
}  // namespace vorta::capture
