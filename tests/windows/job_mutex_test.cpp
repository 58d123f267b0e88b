#include <gtest/gtest.h>

#include <thread>

#include "device/windows/job_mutex.h"

// A mutex belongs to a thread: another thread stands for another program here.
TEST(JobMutex, SecondJobOnTheCameraIsRefusedUntilTheFirstEnds) {
    const std::string path = "\\\\?\\usb#vid_1d6b&pid_0102&mi_00#7&2f1c3b5&0&0000#{guid}\\global";
    JobMutex first(path);
    ASSERT_TRUE(first.Claim());
    EXPECT_FALSE(first.HeldElsewhere());
    bool heldElsewhere = false;
    bool claimed = true;
    std::thread([&] {
        JobMutex second(path);
        heldElsewhere = second.HeldElsewhere();
        claimed = second.Claim();
    }).join();
    EXPECT_TRUE(heldElsewhere);
    EXPECT_FALSE(claimed);

    first.Release();
    std::thread([&] {
        JobMutex second(path);
        heldElsewhere = second.HeldElsewhere();
        claimed = second.Claim();
        second.Release();
    }).join();
    EXPECT_FALSE(heldElsewhere);
    EXPECT_TRUE(claimed);
}

TEST(JobMutex, NameIsTheSameForEveryProgramAndCaseOfThePath) {
    EXPECT_EQ(JobMutexName("\\\\?\\USB#VID_1D6B&PID_0102"),
              JobMutexName("\\\\?\\usb#vid_1d6b&pid_0102"));
    EXPECT_NE(JobMutexName("\\\\?\\usb#vid_1d6b&pid_0102#1"),
              JobMutexName("\\\\?\\usb#vid_1d6b&pid_0102#2"));
    EXPECT_EQ(JobMutexName("x").rfind(L"Local\\Dovrane.Camera.", 0), 0u);
}
