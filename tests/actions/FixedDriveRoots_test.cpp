#include <gtest/gtest.h>

#include "actions/FixedDriveRoots.h"
#include "platform/rtl/SysUtils.h"

using namespace actions;

TEST(FixedDriveRoots, DiskMountsOnceEachInPathOrderFromMountinfo)
{
    const char* mountinfo = "22 27 0:21 / /proc rw,relatime - proc proc rw\n"
                            "23 27 0:22 / /sys rw,relatime - sysfs sysfs rw\n"
                            "27 1 254:0 / / rw,relatime shared:1 - ext4 /dev/vda rw\n"
                            "30 27 0:27 / /tmp rw,relatime shared:5 - tmpfs tmpfs rw\n"
                            "31 27 8:1 / /boot/efi rw,relatime shared:6 master:2 - vfat /dev/sda1 rw\n"
                            "32 27 8:2 /@home /home rw - btrfs /dev/sda2 rw\n"
                            "33 27 8:2 /@home /home rw - btrfs /dev/sda2 rw\n"
                            "34 27 8:17 / /media/usb\\040stick rw - fuseblk /dev/sdb1 rw\n"
                            "35 27 8:33 / /media/card rw - exfat /dev/sdc1 rw\n"
                            "36 27 0:40 / /mnt/nas rw - nfs4 nas:/share rw\n"
                            "37 27 0:41 / /mnt/win rw - cifs //pc/c rw\n"
                            "38 27 7:0 / /snap/core/1 ro - squashfs /dev/loop0 ro\n"
                            "39 27 11:0 / /media/cdrom ro - iso9660 /dev/sr0 ro\n"
                            "40 27 8:49 / /data rw - xfs /dev/sdd1 rw\n"
                            "41 27 8:50 / /win rw - ntfs3 /dev/sdd2 rw\n"
                            "42 27 0:50 / /run/user/0 rw - tmpfs tmpfs rw\n"
                            "43 27 0:51 / /var/lib/docker/x rw - overlay overlay rw\n"
                            "malformed line\n"
                            "44 27 8:51 / /nodash rw ext4 /dev/sdd3 rw\n";
    EXPECT_EQ(FixedDriveRoots(mountinfo), (std::vector<std::string>{"/", "/boot/efi", "/data", "/home", "/media/card",
                                                                    "/media/usb stick", "/win"}));
    EXPECT_TRUE(FixedDriveRoots("").empty());
}

TEST(FixedDriveRoots, ThisSystemsRootsAreFolders)
{
    for (const std::string& root : FixedDriveRoots())
        EXPECT_TRUE(rtl::DirectoryExists(root)) << root;
}
