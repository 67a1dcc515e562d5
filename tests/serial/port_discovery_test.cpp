#include "serial/port_discovery.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <memory>

#include "base/virtual_loop.h"
#include "serial/com_numbers.h"
#include "serial/serial_channel.h"
#include "support/pty_pair.h"

namespace vorta::serial {
namespace {
namespace fs = std::filesystem;

TEST(ComNumbers, EachFamilyKeepsItsOwnRange) {
    EXPECT_EQ(ComNumberForTty("ttyS0"), 1);
    EXPECT_EQ(ComNumberForTty("ttyS9"), 10);
    EXPECT_EQ(ComNumberForTty("ttyS98"), 99);
    EXPECT_EQ(ComNumberForTty("ttyUSB0"), 100);
    EXPECT_EQ(ComNumberForTty("ttyUSB7"), 107);
    EXPECT_EQ(ComNumberForTty("ttyACM3"), 203);
    EXPECT_EQ(ComNumberForTty("ttyAMA0"), 300);
    EXPECT_EQ(ComNumberForTty("ttySC1"), 401);  // not taken for ttyS
    EXPECT_EQ(ComNumberForTty("ttymxc2"), 502);
    EXPECT_EQ(ComNumberForTty("ttyXRUSB0"), 600);
}

TEST(ComNumbers, NamesOutsideTheSchemeHaveNone) {
    EXPECT_EQ(ComNumberForTty("ttyS99"), 0);  // would collide with ttyUSB0
    EXPECT_EQ(ComNumberForTty("ttyUSB100"), 0);
    EXPECT_EQ(ComNumberForTty("ttyS"), 0);
    EXPECT_EQ(ComNumberForTty("ttyS01"), 0);
    EXPECT_EQ(ComNumberForTty("ttyS-1"), 0);
    EXPECT_EQ(ComNumberForTty("tty1"), 0);
    EXPECT_EQ(ComNumberForTty("ttyprintk"), 0);
    EXPECT_EQ(ComNumberForTty("ttyUSB1x"), 0);
}

// A fake /sys/class/tty, /dev and ports folder under a temporary directory.
class DiscoveryTest : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/vorta-discovery-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        root_ = pattern;
        roots_.sysClassTty = root_ / "sys/class/tty";
        roots_.dev = root_ / "dev";
        roots_.portsFolder = root_ / "settings/ports";
        roots_.sysDevChar = root_ / "sys/dev/char";
        fs::create_directories(roots_.sysClassTty);
        fs::create_directories(roots_.sysDevChar);
        fs::create_directories(roots_.dev);
        fs::create_directories(roots_.portsFolder);
        fs::create_directories(root_ / "sys/devices");
    }
    void TearDown() override { fs::remove_all(root_); }

    // A tty entry, linked to a device directory like sysfs does.
    void tty(const std::string& name, bool driver, const char* type, bool node = true) {
        const fs::path device = root_ / "sys/devices" / name;
        fs::create_directories(device);
        if (driver) {
            fs::create_directories(root_ / "sys/bus/drivers/serial");
            fs::create_directory_symlink(root_ / "sys/bus/drivers/serial", device / "driver");
        }
        const fs::path entry = roots_.sysClassTty / name;
        fs::create_directories(entry);
        fs::create_directory_symlink(device, entry / "device");
        if (type) std::ofstream(entry / "type") << type << "\n";
        if (node) std::ofstream(roots_.dev / name) << "";
    }
    void link(const std::string& name, const fs::path& target) {
        fs::create_symlink(target, roots_.portsFolder / name);
    }
    // A serial device in the fake /dev: a link to a pseudo-terminal of its own.
    void device(const std::string& name) {
        ptys_.push_back(std::make_unique<test::PtyPair>());
        ASSERT_TRUE(ptys_.back()->ok());
        fs::create_symlink(ptys_.back()->path(), roots_.dev / name);
    }
    std::vector<PortInfo> discover(int expectedStatus = 0) {
        std::vector<PortInfo> ports{{"stale", 99, "", false}};
        EXPECT_EQ(DiscoverPorts(roots_, ports), expectedStatus);
        return ports;
    }

    fs::path root_;
    DiscoveryRoots roots_;
    std::vector<std::unique_ptr<test::PtyPair>> ptys_;
};

TEST_F(DiscoveryTest, RealDevicesOnlyInAscendingComOrder) {
    tty("ttyS9", true, "4");
    tty("ttyS1", true, "4");
    tty("ttyS0", true, "4");
    tty("ttyS2", true, "0");                              // 8250 phantom: no UART behind it
    tty("ttyS3", false, "4");                             // no driver
    tty("ttyUSB0", true, nullptr);                        // not serial-core: no type attribute
    tty("ttyACM0", true, nullptr, false);                 // no node in /dev
    tty("tty1", true, nullptr);                           // a console, outside the scheme
    fs::create_directories(roots_.sysClassTty / "ptmx");  // no device link at all

    const auto ports = discover();
    EXPECT_EQ(PortNames(ports), (std::vector<std::string>{"COM1", "COM2", "COM10", "COM100"}));
    EXPECT_EQ(ports[0].devicePath, (roots_.dev / "ttyS0").string());
    EXPECT_EQ(ports[2].devicePath, (roots_.dev / "ttyS9").string());
    EXPECT_EQ(ports[3].devicePath, (roots_.dev / "ttyUSB0").string());
    EXPECT_EQ(ports[3].number, 100);
}

TEST_F(DiscoveryTest, PortsFolderAddsAndOverridesNumbers) {
    tty("ttyS0", true, "4");
    tty("ttyS1", true, "4");
    device("pts-a");
    device("pts-b");
    link("COM2", roots_.dev / "pts-a");  // wins over ttyS1
    link("COM12", "../../dev/pts-b");    // relative, like ln -s
    link("COM7", roots_.dev / "gone");   // dangling: not there now
    std::ofstream(roots_.portsFolder / "notes.txt") << "";

    const auto ports = discover();
    EXPECT_EQ(PortNames(ports), (std::vector<std::string>{"COM1", "COM2", "COM12"}));
    EXPECT_EQ(ports[1].devicePath, (roots_.dev / "pts-a").string());
    EXPECT_EQ(ports[2].devicePath, (roots_.dev / "pts-b").string());
    EXPECT_EQ(DeviceForPort(ports, 2), (roots_.dev / "pts-a").string());
    EXPECT_EQ(DeviceForPort(ports, 7), "");
}

TEST_F(DiscoveryTest, ALinkToAServerAddressIsANetworkPort) {
    tty("ttyS0", true, "4");
    link("COM1", "tcp://10.0.0.5:4001");  // wins over ttyS0, like any entry
    link("COM31", "rfc2217://[fe80::1%eth0]:3001");
    link("COM32", "rfc2217://no-port-given");  // listed: the open says what is wrong with it
    const auto ports = discover();
    EXPECT_EQ(PortNames(ports), (std::vector<std::string>{"COM1", "COM31", "COM32"}));
    EXPECT_EQ(ports[0].devicePath, "tcp://10.0.0.5:4001");
    EXPECT_EQ(ports[1].devicePath, "rfc2217://[fe80::1%eth0]:3001");
    for (const auto& p : ports) EXPECT_TRUE(p.accessible && p.fromPortsFolder) << p.name;
}

TEST_F(DiscoveryTest, NoteBesideAFolderEntryDescribesItAndIsNoPortItself) {
    for (const char* name : {"pts-a", "pts-b", "pts-c"}) device(name);
    link("COM900", roots_.dev / "pts-a");
    link("COM5", roots_.dev / "pts-b");
    link("COM6", roots_.dev / "pts-c");
    const std::string demo = reinterpret_cast<const char*>(u8"演示设备");
    std::ofstream(roots_.portsFolder / ".COM900") << demo << "\r\nonly the first line counts\n";
    // A long note is cut at 80 bytes, back to the start of the character cut through.
    std::ofstream(roots_.portsFolder / ".COM5") << std::string(78, 'x') << demo << "\n";

    const auto ports = discover();
    EXPECT_EQ(PortNames(ports), (std::vector<std::string>{"COM5", "COM6", "COM900"}));
    EXPECT_EQ(ports[2].description, demo);
    EXPECT_EQ(ports[0].description, std::string(78, 'x'));
    EXPECT_EQ(ports[1].description, "");
}

TEST_F(DiscoveryTest, DuplicatesKeptAmongEntriesOfTheSameNumber) {
    device("x");
    device("y");
    link("COM3", roots_.dev / "x");
    link("COM03", roots_.dev / "y");

    const auto ports = discover();
    EXPECT_EQ(PortNames(ports), (std::vector<std::string>{"COM3", "COM3"}));
    // Among equal numbers the entry names decide, so COM3 means the same device every run.
    EXPECT_EQ(DeviceForPort(ports, 3), (roots_.dev / "y").string());
}

// Only COM1 to COM2147483647: a number that wrapped would take another port's
// place ("COM4294967297" read as COM1), and such an entry owns no number.
TEST_F(DiscoveryTest, EntryNamesOutsideOneToTwoToTheThirtyFirstAreNoPorts) {
    tty("ttyS0", true, "4");  // COM1 by the table
    device("x");
    for (const char* name : {"COM4294967297", "COM2147483648", "COM0", "COM", "COMA", "COM-1", "COM+5", "COM 5",
                             "COM5.bak", "COM99999999999999999999", "com5"})
        link(name, roots_.dev / "x");
    link("COM2147483647", roots_.dev / "x");
    link("COM007", roots_.dev / "x");
    const auto ports = discover();
    EXPECT_EQ(PortNames(ports), (std::vector<std::string>{"COM1", "COM7", "COM2147483647"}));
    EXPECT_EQ(ports[0].devicePath, (roots_.dev / "ttyS0").string());
    EXPECT_EQ(MakePortResolver(roots_)(1), (roots_.dev / "ttyS0").string());
    EXPECT_EQ(MakePortResolver(roots_)(5), "");
    EXPECT_EQ(MakePortResolver(roots_)(2147483647), (roots_.dev / "x").string());
}

// Without opening anything: a file, a folder, /dev/null or the pty multiplexer
// is no serial port, neither listed nor opened, and owns no number.
TEST_F(DiscoveryTest, EntriesThatAreNoSerialDeviceAreNoPorts) {
    tty("ttyS2", true, "4");  // COM3 by the table
    std::ofstream(roots_.dev / "file") << "";
    fs::create_directories(roots_.dev / "folder");
    ASSERT_EQ(::mkfifo((roots_.dev / "fifo").c_str(), 0600), 0);
    link("COM3", roots_.dev / "file");
    link("COM4", roots_.dev / "folder");
    link("COM5", roots_.dev / "fifo");
    link("COM6", "/dev/null");
    link("COM8", "/dev/ptmx");
    std::ofstream(roots_.portsFolder / "COM9") << "";  // a file, not a link
    device("pty");
    link("COM10", roots_.dev / "pty");

    const std::vector<PortInfo> listed = discover();
    EXPECT_EQ(PortNames(listed), (std::vector<std::string>{"COM3", "COM10"}));
    EXPECT_EQ(listed[0].devicePath, (roots_.dev / "ttyS2").string());
    EXPECT_FALSE(listed[0].fromPortsFolder);
    // Opening looks again, with the same rules.
    for (int n : {4, 5, 6, 8, 9}) EXPECT_EQ(ResolvePort(roots_, listed, n), "") << n;
    EXPECT_EQ(ResolvePort(roots_, listed, 3), (roots_.dev / "ttyS2").string());
    EXPECT_EQ(ResolvePort(roots_, listed, 10), (roots_.dev / "pty").string());

    // A listed alias replaced by something that is no port: the table's device is not opened instead.
    fs::remove(roots_.portsFolder / "COM3");
    device("adapter");
    link("COM3", roots_.dev / "adapter");
    const std::vector<PortInfo> withAlias = discover();
    fs::remove(roots_.portsFolder / "COM3");
    link("COM3", roots_.dev / "file");
    EXPECT_EQ(ResolvePort(roots_, withAlias, 3), "");
}

// A character device counts when sysfs files it under the tty class.
TEST_F(DiscoveryTest, ACharacterDeviceCountsByItsSysfsClass) {
    link("COM6", "/dev/null");  // 1:3
    EXPECT_EQ(PortNames(discover()), std::vector<std::string>{});
    fs::create_directories(roots_.sysDevChar / "1:3");
    fs::create_directory_symlink("../../../class/tty", roots_.sysDevChar / "1:3" / "subsystem");
    EXPECT_EQ(PortNames(discover()), std::vector<std::string>{"COM6"});
    EXPECT_EQ(MakePortResolver(roots_)(6), "/dev/null");
    // The real sysfs knows /dev/null as a memory device.
    roots_.sysDevChar = DiscoveryRoots().sysDevChar;
    EXPECT_EQ(PortNames(discover()), std::vector<std::string>{});
}

TEST_F(DiscoveryTest, AccessHintFollowsTheDevice) {
    tty("ttyS0", true, "4");
    const auto ports = discover();
    ASSERT_EQ(ports.size(), 1u);
    EXPECT_EQ(ports[0].accessible, access((roots_.dev / "ttyS0").c_str(), R_OK | W_OK) == 0);
}

TEST_F(DiscoveryTest, UnreadableSysfsGivesAnErrorAndAnEmptyList) {
    device("x");
    link("COM3", roots_.dev / "x");
    roots_.sysClassTty = root_ / "missing";
    const auto ports = discover(ENOENT);
    EXPECT_TRUE(ports.empty());
}

TEST_F(DiscoveryTest, MissingPortsFolderIsNoError) {
    tty("ttyS0", true, "4");
    roots_.portsFolder = root_ / "nowhere";
    EXPECT_EQ(PortNames(discover()), std::vector<std::string>{"COM1"});
    roots_.portsFolder.clear();
    EXPECT_EQ(PortNames(discover()), std::vector<std::string>{"COM1"});
}

// An entry of the ports folder owns its number: when its device is missing,
// or the entry has gone since the list was made, the open fails instead of
// reaching the device the numbering table gives that number.
TEST_F(DiscoveryTest, AnAliasOwnsItsNumberEvenWithoutItsDevice) {
    tty("ttyS0", true, "4");  // COM1 by the table
    tty("ttyS1", true, "4");  // COM2 by the table
    device("adapter");
    link("COM1", roots_.dev / "adapter");
    link("COM2", "/dev/serial/by-id/usb-unplugged-if00-port0");
    const std::vector<PortInfo> listed = discover();
    EXPECT_EQ(PortNames(listed), std::vector<std::string>{"COM1"});
    EXPECT_TRUE(listed[0].fromPortsFolder);
    EXPECT_EQ(MakePortResolver(roots_)(1), (roots_.dev / "adapter").string());
    EXPECT_EQ(MakePortResolver(roots_)(2), "");

    fs::remove(roots_.dev / "adapter");  // unplugged: the link dangles
    EXPECT_EQ(MakePortResolver(roots_)(1), "");
    EXPECT_EQ(PortNames(discover()), std::vector<std::string>{});

    fs::remove(roots_.portsFolder / "COM1");  // the link removed after start-up
    EXPECT_EQ(ResolvePort(roots_, listed, 1), "");
    EXPECT_EQ(MakePortResolver(roots_, listed)(1), "");
    // A list made without the alias gives the table's device again.
    EXPECT_EQ(ResolvePort(roots_, discover(), 1), (roots_.dev / "ttyS0").string());
}

TEST_F(DiscoveryTest, APortsFolderOthersMayChangeIsIgnored) {
    tty("ttyS0", true, "4");
    device("planted");
    link("COM1", roots_.dev / "planted");
    link("COM5", roots_.dev / "planted");
    fs::permissions(roots_.portsFolder, fs::perms::all);  // writable by everyone
    EXPECT_EQ(PortNames(discover()), std::vector<std::string>{"COM1"});
    EXPECT_EQ(MakePortResolver(roots_)(1), (roots_.dev / "ttyS0").string());
    EXPECT_EQ(MakePortResolver(roots_)(5), "");

    fs::permissions(roots_.portsFolder, fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec);
    EXPECT_EQ(PortNames(discover()), (std::vector<std::string>{"COM1", "COM5"}));
    if (::geteuid() != 0) return;  // handing the folder to another user needs root
    ASSERT_EQ(::chown(roots_.portsFolder.c_str(), 65534, 65534), 0);
    EXPECT_EQ(PortNames(discover()), std::vector<std::string>{"COM1"});
    EXPECT_EQ(MakePortResolver(roots_)(1), (roots_.dev / "ttyS0").string());
}

// The same through the channel: nothing is opened, the table's device included.
TEST_F(DiscoveryTest, TheChannelDoesNotOpenTheTablesDeviceForAMissingAlias) {
    test::PtyPair table;
    ASSERT_TRUE(table.ok());
    tty("ttyS0", true, "4", false);
    fs::create_symlink(table.path(), roots_.dev / "ttyS0");
    link("COM1", roots_.dev / "gone");
    base::VirtualLoop loop;
    SerialChannel channel(loop, MakePortResolver(roots_));
    channel.setPortNumber(1);
    EXPECT_FALSE(channel.open());
    EXPECT_FALSE(channel.write("frame"));
    EXPECT_EQ(table.receive(1, 200), "");
    fs::remove(roots_.portsFolder / "COM1");
    EXPECT_TRUE(channel.open());  // without the alias, COM1 is the table's again
}

TEST_F(DiscoveryTest, ResolverSeesPortsAddedAfterStart) {
    const PortResolver resolve = MakePortResolver(roots_);
    EXPECT_EQ(resolve(5), "");
    device("late");
    link("COM5", roots_.dev / "late");
    EXPECT_EQ(resolve(5), (roots_.dev / "late").string());
}

TEST(DiscoveryRootsTest, PortsFolderSitsBesideTheSettingsFile) {
    const DiscoveryRoots roots = RootsBesideSettings("/tmp/vorta/peizhi.ini");
    EXPECT_EQ(roots.portsFolder, fs::path("/tmp/vorta/ports"));
    EXPECT_EQ(roots.sysClassTty, fs::path("/sys/class/tty"));
    EXPECT_EQ(roots.dev, fs::path("/dev"));
    EXPECT_EQ(roots.sysDevChar, fs::path("/sys/dev/char"));
}

}  // namespace
}  // namespace vorta::serial
