#include "serial/termios_settings.h"

#include <gtest/gtest.h>

namespace vorta::serial {
namespace {

// A cooked terminal as a driver may report it before the port is set up.
termios Cooked() {
    termios t{};
    t.c_iflag = ICRNL | IXON | BRKINT | IMAXBEL;
    t.c_oflag = OPOST | ONLCR;
    t.c_lflag = ICANON | ECHO | ECHOE | ISIG | IEXTEN;
    t.c_cflag = CS7 | PARENB | HUPCL;
    cfsetispeed(&t, B9600);
    cfsetospeed(&t, B9600);
    return t;
}

termios Applied(const LineSettings& s) {
    termios t = Cooked();
    EXPECT_TRUE(ApplyLineSettings(s, t));
    return t;
}

TEST(TermiosSettings, DefaultsGiveARawEightNoneOneLine) {
    const termios t = Applied(LineSettings{});
    EXPECT_EQ(t.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
    EXPECT_EQ(t.c_cflag & (PARENB | PARODD | CMSPAR | CSTOPB | CRTSCTS), 0u);
    EXPECT_EQ(t.c_cflag & (CLOCAL | CREAD), static_cast<tcflag_t>(CLOCAL | CREAD));
    EXPECT_EQ(t.c_iflag & (ICRNL | IXON | IXOFF | INPCK | BRKINT), 0u);
    EXPECT_EQ(t.c_oflag & OPOST, 0u);
    EXPECT_EQ(t.c_lflag & (ICANON | ECHO | ISIG | IEXTEN), 0u);
    EXPECT_EQ(t.c_cflag & HUPCL, static_cast<tcflag_t>(HUPCL));  // left as the driver had it
    EXPECT_EQ(t.c_cc[VMIN], 1);
    EXPECT_EQ(cfgetospeed(&t), static_cast<speed_t>(B19200));
    EXPECT_EQ(cfgetispeed(&t), static_cast<speed_t>(B19200));
}

TEST(TermiosSettings, ParityCodesAndCheck) {
    const struct {
        Parity parity;
        tcflag_t flags;
    } cases[] = {
        {Parity::None, 0},
        {Parity::Odd, PARENB | PARODD},
        {Parity::Even, PARENB},
        {Parity::Mark, PARENB | PARODD | CMSPAR},
        {Parity::Space, PARENB | CMSPAR},
    };
    for (const auto& c : cases) {
        const int code = static_cast<int>(c.parity);
        LineSettings s;
        s.parity = c.parity;
        const termios t = Applied(s);
        EXPECT_EQ(t.c_cflag & (PARENB | PARODD | CMSPAR), c.flags) << "parity code " << code;
        EXPECT_EQ(t.c_iflag & INPCK, 0u) << "parity code " << code;
    }
}

TEST(TermiosSettings, DataBitsTakeTheLowByteAndOnlyFiveToEight) {
    const struct {
        int bits;
        tcflag_t size;
    } sizes[] = {{5, CS5}, {6, CS6}, {7, CS7}, {8, CS8}, {0x108, CS8}};
    for (const auto& c : sizes) {
        LineSettings s;
        s.dataBits = c.bits;
        EXPECT_EQ(Applied(s).c_cflag & CSIZE, c.size) << c.bits;
    }
    for (int bits : {0, 4, 9, 16, -1}) {
        LineSettings s;
        s.dataBits = bits;
        termios t = Cooked();
        EXPECT_FALSE(ApplyLineSettings(s, t)) << bits;
    }
}

TEST(TermiosSettings, StopBits) {
    LineSettings s;
    s.stopBits = StopBits::One;
    EXPECT_EQ(Applied(s).c_cflag & CSTOPB, 0u);
    s.stopBits = StopBits::Two;
    EXPECT_EQ(Applied(s).c_cflag & CSTOPB, static_cast<tcflag_t>(CSTOPB));
    // One and a half: two for every character size (1.5 on a 16550 with five bits).
    s.stopBits = StopBits::OneAndAHalf;
    for (int bits : {5, 6, 7, 8}) {
        s.dataBits = bits;
        termios t = Cooked();
        ASSERT_TRUE(ApplyLineSettings(s, t)) << bits;
        EXPECT_EQ(t.c_cflag & CSTOPB, static_cast<tcflag_t>(CSTOPB)) << bits;
    }
}

TEST(TermiosSettings, BaudRates) {
    LineSettings s;
    const auto speedFor = [&](int baud) {
        s.baudRate = baud;
        const termios t = Applied(s);
        EXPECT_EQ(cfgetispeed(&t), cfgetospeed(&t));
        return cfgetospeed(&t);
    };
    EXPECT_EQ(speedFor(115200), static_cast<speed_t>(B115200));
    EXPECT_EQ(speedFor(300), static_cast<speed_t>(B300));
    EXPECT_EQ(speedFor(4000000), static_cast<speed_t>(B4000000));
    // No constant: the speed is left for termios2 to set.
    EXPECT_EQ(StandardSpeed(250000), static_cast<speed_t>(B0));
    EXPECT_EQ(speedFor(250000), static_cast<speed_t>(B9600));
    // B0 would drop the modem lines instead of setting a rate.
    s.baudRate = 0;
    termios t = Cooked();
    EXPECT_FALSE(ApplyLineSettings(s, t));
}

}  // namespace
}  // namespace vorta::serial
