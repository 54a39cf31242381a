#include "platform/system/MountTable.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace platform {
namespace {

TEST(MountTableTest, ParsesFieldsEscapesAndOptionalTags) {
    const QByteArray text =
        "27 1 254:0 / / rw,relatime - ext4 /dev/vda rw\n"
        "90 27 8:17 / /media/user/My\\040Card rw shared:5 master:1 - vfat /dev/sdb1 rw\n"
        "91 27 0:50 /sub /mnt/bind rw - btrfs /dev/nvme0n1p2 rw\n"
        "garbage line\n"
        "92 27 x:1 / /bad rw - ext4 /dev/sdc rw\n"
        "93 27 8:33 / /no-type rw -\n"
        "\n";
    const std::vector<MountEntry> entries = ParseMountInfo(text);
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_EQ(entries[0].mountPoint, "/");
    EXPECT_EQ(entries[0].fsType, "ext4");
    EXPECT_EQ(entries[0].major, 254u);
    EXPECT_EQ(entries[1].mountPoint, "/media/user/My Card");
    EXPECT_EQ(entries[1].fsType, "vfat");
    EXPECT_EQ(entries[1].source, "/dev/sdb1");
    EXPECT_EQ(entries[1].minor, 17u);
    EXPECT_EQ(entries[2].rootInFs, "/sub");
    EXPECT_EQ(entries[2].major, 0u);
}

// A miniature system: a mount table, sysfs device links and udev's by-label links.
class FakeSystemTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_dir.isValid());
        m_paths.mountInfo = m_dir.path() + "/mountinfo";
        m_paths.sysDevBlock = m_dir.path() + "/sys/dev/block";
        m_paths.byLabel = m_dir.path() + "/by-label";
        ASSERT_TRUE(QDir().mkpath(m_paths.sysDevBlock));
        ASSERT_TRUE(QDir().mkpath(m_paths.byLabel));
    }

    // A disk (and optionally one partition) under devicePath with its removable flag.
    void AddDevice(const QString& devicePath, const QString& disk, const QString& partition,
                   bool removableFlag, const QString& majorMinor) {
        const QString diskDir = m_dir.path() + "/sys/devices/" + devicePath + "/block/" + disk;
        ASSERT_TRUE(QDir().mkpath(diskDir));
        WriteText(diskDir + "/removable", removableFlag ? "1\n" : "0\n");
        QString node = diskDir;
        if (!partition.isEmpty()) {
            node = diskDir + '/' + partition;
            ASSERT_TRUE(QDir().mkpath(node));
            WriteText(node + "/partition", "1\n");
        }
        ASSERT_TRUE(QFile::link(node, m_paths.sysDevBlock + '/' + majorMinor));
    }
    void AddLabel(const QString& escapedLabel, const QString& device) {
        ASSERT_TRUE(QFile::link("../../" + device, m_paths.byLabel + '/' + escapedLabel));
    }
    QString MountPoint(const QString& name) {
        const QString path = m_dir.path() + "/mnt/" + name;
        EXPECT_TRUE(QDir().mkpath(path));
        return path;
    }
    static void WriteText(const QString& path, const QByteArray& text) {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(text);
    }
    static QByteArray Escaped(const QString& path) { return path.toUtf8().replace(" ", "\\040"); }

    QTemporaryDir m_dir;
    SystemPaths m_paths;
};

TEST_F(FakeSystemTest, TypesLabelsAndSkippedMounts) {
    AddDevice("pci0000:00/0000:00:1f.2/ata1/host0/target0:0:0/0:0:0:0", "sda", "sda1", false,
              "8:1");
    AddDevice("pci0000:00/0000:00:14.0/usb1/1-2/1-2:1.0/host6/target6:0:0/6:0:0:0", "sdb", "sdb1",
              false, "8:17");
    AddDevice("pci0000:00/0000:00:1c.0/mmc_host/mmc0/mmc0:aaaa", "mmcblk0", "mmcblk0p1", false,
              "179:1");
    AddDevice("pci0000:00/0000:00:1f.2/ata2/host1/target1:0:0/1:0:0:0", "sdc", "", true, "8:32");
    AddDevice("pci0000:00/0000:00:1f.2/ata3/host2/target2:0:0/2:0:0:0", "sr0", "", true, "11:0");
    AddLabel("QOR-SD", "sdb1");
    AddLabel("My\\x20Disk", "mmcblk0p1");
    AddLabel("OTHER", "sdz9");

    const QString root = MountPoint("root");
    const QString usb = MountPoint("usb card");
    const QString mmc = MountPoint("mmc");
    const QString flagged = MountPoint("flagged");
    const QString optical = MountPoint("optical");
    const QString share = MountPoint("share");
    const QString bound = MountPoint("bound");
    const QString proc = MountPoint("proc");
    const QString tmp = MountPoint("tmp");
    const QString unknown = MountPoint("unknown");
    const QByteArray table = "1 0 8:1 / " + Escaped(root) +
                             " rw - ext4 /dev/sda1 rw\n"
                             "2 1 0:5 / " +
                             Escaped(proc) +
                             " rw - proc proc rw\n"
                             "3 1 8:17 / " +
                             Escaped(usb) +
                             " rw - vfat /dev/sdb1 rw\n"
                             "4 1 179:1 / " +
                             Escaped(mmc) +
                             " rw - exfat /dev/mmcblk0p1 rw\n"
                             "5 1 8:32 / " +
                             Escaped(flagged) +
                             " rw - ext4 /dev/sdc rw\n"
                             "6 1 11:0 / " +
                             Escaped(optical) +
                             " ro - iso9660 /dev/sr0 ro\n"
                             "7 1 0:60 / " +
                             Escaped(share) +
                             " rw - nfs4 server:/export rw\n"
                             "8 1 8:17 /DCIM " +
                             Escaped(bound) +
                             " rw - vfat /dev/sdb1 rw\n"
                             "9 1 0:30 / " +
                             Escaped(tmp) +
                             " rw - tmpfs tmpfs rw\n"
                             "10 1 0:31 / " +
                             Escaped(unknown) +
                             " rw - fuse.thing thing rw\n"
                             "11 1 8:1 / " +
                             Escaped(m_dir.path() + "/absent") + " rw - ext4 /dev/sda1 rw\n";
    WriteText(m_paths.mountInfo, table);

    struct Expected {
        QString root;
        DriveType type;
        QString label;
    };
    const std::vector<Expected> expected = {
        {root + '/', DriveType::Fixed, ""},
        {usb + '/', DriveType::Removable, "QOR-SD"},   // on USB
        {mmc + '/', DriveType::Removable, "My Disk"},  // an SD slot; udev escapes decoded
        {flagged + '/', DriveType::Removable, ""},     // sysfs says removable
        {optical + '/', DriveType::CdRom, ""},
        {share + '/', DriveType::Remote, ""},
    };
    const std::vector<DriveInfo> drives = ListMountedDrives(m_paths);
    ASSERT_EQ(drives.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(drives[i].root, expected[i].root) << i;
        EXPECT_EQ(drives[i].type, expected[i].type) << drives[i].root.toStdString();
        EXPECT_EQ(drives[i].label, expected[i].label) << drives[i].root.toStdString();
    }
}

TEST_F(FakeSystemTest, NoMountTableNoDrives) {
    EXPECT_TRUE(ListMountedDrives(m_paths).empty());
    // A device missing from sysfs is still a drive, of a fixed disk.
    const QString mnt = MountPoint("x");
    WriteText(m_paths.mountInfo, "1 0 8:99 / " + Escaped(mnt) + " rw - ext4 /dev/sdq rw\n");
    const std::vector<DriveInfo> drives = ListMountedDrives(m_paths);
    ASSERT_EQ(drives.size(), 1u);
    EXPECT_EQ(drives[0].type, DriveType::Fixed);
}

TEST(MountTableTest, PseudoFileSystems) {
    for (const char* type :
         {"proc", "sysfs", "tmpfs", "cgroup2", "devpts", "overlay", "squashfs"}) {
        EXPECT_TRUE(IsPseudoFileSystem(type)) << type;
    }
    for (const char* type : {"ext4", "vfat", "exfat", "btrfs", "ntfs3", "nfs4"}) {
        EXPECT_FALSE(IsPseudoFileSystem(type)) << type;
    }
}

}  // namespace
}  // namespace platform
