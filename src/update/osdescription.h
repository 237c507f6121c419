#pragma once

#include <string>

namespace quillon {

// One line naming the running system: "<distribution> (Version <major>.<minor>, Build <n>,
// 64-bit Edition)" from os-release and the kernel.
std::string OperatingSystemDescription();

// The same line from the texts it is made of: os-release's contents, the kernel's release
// ("6.1.0-18-amd64"), its version ("#1 SMP ...") and the machine ("x86_64").
std::string DescribeOperatingSystem(const std::string& osRelease, const std::string& kernelRelease,
                                    const std::string& kernelVersion, const std::string& machine);

}  // namespace quillon
