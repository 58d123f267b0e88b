// One camera, one job, through the kernel's own flock: two handles on one node stand for two
// processes (flock locks belong to the open file, not the process).

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "device/linux/linux_io.h"
#include "device/linux/uvc_xu_device.h"

namespace fs = std::filesystem;

namespace {

class JobClaimTest : public ::testing::Test {
  protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() / ("dovrane-claim-" + std::to_string(::getpid()));
        fs::create_directories(dir_);
        node_ = (dir_ / "video0").string();
        std::ofstream(node_).put('\0');
    }
    void TearDown() override { fs::remove_all(dir_); }

    std::shared_ptr<UvcXuDevice> OpenNode() {
        std::shared_ptr<UvcXuDevice> device;
        int error = 0;
        EXPECT_EQ(UvcXuDevice::Open(node_, VideoFunction{}, SystemDeviceIo(), &device, &error),
                  kSOk);
        return device;
    }

    static std::string OwnName() {
        std::string name;
        std::ifstream("/proc/self/comm") >> name;
        return name + " (pid " + std::to_string(::getpid()) + ")";
    }

    fs::path dir_;
    std::string node_;
};

}  // namespace

TEST_F(JobClaimTest, SecondJobIsRefusedWithTheHolderUntilTheFirstEnds) {
    const std::shared_ptr<UvcXuDevice> first = OpenNode();
    const std::shared_ptr<UvcXuDevice> second = OpenNode();
    std::string holder;
    ASSERT_TRUE(first->ClaimForJob(&holder));
    EXPECT_FALSE(first->HeldElsewhere(&holder));  // its own claim stays exclusive

    EXPECT_TRUE(second->HeldElsewhere(&holder));
    EXPECT_EQ(holder, OwnName());
    holder.clear();
    EXPECT_FALSE(second->ClaimForJob(&holder));
    EXPECT_EQ(holder, OwnName());

    first->ReleaseJob();
    EXPECT_FALSE(second->HeldElsewhere(&holder));
    EXPECT_TRUE(second->ClaimForJob(&holder));
    EXPECT_TRUE(first->HeldElsewhere(&holder));
    second->ReleaseJob();
}

// The holder as /proc/locks names it: only a granted flock on that very node counts.
TEST_F(JobClaimTest, HolderIsReadFromTheLocksTable) {
    const int fd = ::open(node_.c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_GE(fd, 0);
    struct stat status {};
    ASSERT_EQ(::fstat(fd, &status), 0);
    const std::string file = [&status] {
        char text[64];
        std::snprintf(text, sizeof text, "%02x:%02x:%lu", ::major(status.st_dev),
                      ::minor(status.st_dev), static_cast<unsigned long>(status.st_ino));
        return std::string(text);
    }();
    const fs::path proc = dir_ / "proc";
    fs::create_directories(proc / "77");
    fs::create_directories(proc / "88");
    fs::create_directories(proc / "99");
    std::ofstream(proc / "77" / "comm") << "posix-user\n";
    std::ofstream(proc / "88" / "comm") << "waiter\n";
    std::ofstream(proc / "99" / "comm") << "dovrane-cli\n";
    std::ofstream(proc / "locks") << "1: POSIX  ADVISORY  WRITE 77 " << file << " 0 EOF\n"
                                  << "2: FLOCK  ADVISORY  WRITE 66 00:01:1 0 EOF\n"
                                  << "3: FLOCK  ADVISORY  WRITE 99 " << file << " 0 EOF\n"
                                  << "3: -> FLOCK  ADVISORY  WRITE 88 " << file << " 0 EOF\n";
    EXPECT_EQ(FlockHolder(fd, proc.string()), "dovrane-cli (pid 99)");
    std::ofstream(proc / "locks") << "1: POSIX  ADVISORY  WRITE 77 " << file << " 0 EOF\n";
    EXPECT_EQ(FlockHolder(fd, proc.string()), "");
    ::close(fd);
}
