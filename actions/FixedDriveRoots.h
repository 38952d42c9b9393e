#pragma once
// The roots the "all drives" command scans: the mount points of the local disk filesystems.
#include <string>
#include <string_view>
#include <vector>

namespace actions {

// From the text of /proc/self/mountinfo: mount points of disk filesystems (ext4, xfs, btrfs,
// vfat, exfat, ntfs3, fuseblk ...), each once, in path order. Pseudo, memory, network, optical
// and squashfs mounts are left out.
std::vector<std::string> FixedDriveRoots(std::string_view mountinfo);
// The same for this process; mount points that are not folders (files bound into a container)
// are left out too.
std::vector<std::string> FixedDriveRoots();

} // namespace actions
