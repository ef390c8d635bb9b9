#include "core/portmap.h"
#include "support/testnames.h"

#include <gtest/gtest.h>

namespace {

struct PortCase {
    int port;
    const char* device;
};

class PortMapUnix : public ::testing::TestWithParam<PortCase> { };

TEST_P(PortMapUnix, MapsNumbersToFixedDeviceFamilies)
{
    const PortMap map({ QStringLiteral("/tmp/sim-a"), QStringLiteral("/dev/pts/7") }, PortMap::System::Unix);
    EXPECT_EQ(map.device(GetParam().port), QString::fromLatin1(GetParam().device));
}

INSTANTIATE_TEST_SUITE_P(Table, PortMapUnix,
    ::testing::Values(PortCase { 0, "" }, PortCase { 1, "/dev/ttyS0" }, PortCase { 32, "/dev/ttyS31" },
        PortCase { 33, "/dev/ttyUSB0" }, PortCase { 64, "/dev/ttyUSB31" }, PortCase { 65, "/dev/ttyACM0" },
        PortCase { 96, "/dev/ttyACM31" }, PortCase { 97, "/dev/rfcomm0" }, PortCase { 128, "/dev/rfcomm31" },
        PortCase { 129, "/tmp/sim-a" }, PortCase { 130, "/dev/pts/7" }, PortCase { 131, "" }, PortCase { 256, "" },
        PortCase { 257, "" }),
    [](const auto& info) { return testName(info.param.port, info.param.device); });

TEST(PortMap, WindowsPortsAreComNames)
{
    const PortMap map({}, PortMap::System::Windows);
    EXPECT_EQ(map.device(3), QStringLiteral("COM3"));
    EXPECT_EQ(map.device(200), QStringLiteral("COM200"));
    EXPECT_EQ(map.listText(3), QStringLiteral("COM 3"));
}

TEST(PortMap, ListTextNamesTheDeviceInBrackets)
{
    const PortMap map({}, PortMap::System::Unix);
    EXPECT_EQ(map.listText(33), QStringLiteral("COM 33 (/dev/ttyUSB0)"));
}

TEST(PortMap, OptionsComeBeforeTheEnvironment)
{
    const QStringList named
        = PortMap::namedDevicesFrom({ QStringLiteral("/a"), QStringLiteral("/b") }, QStringLiteral("/c::/d"));
    EXPECT_EQ(named,
        (QStringList { QStringLiteral("/a"), QStringLiteral("/b"), QStringLiteral("/c"), QStringLiteral("/d") }));
}

} // namespace
