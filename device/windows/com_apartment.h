#pragma once

#include "device/status.h"

// Joins the calling thread to a single-threaded COM apartment for the object's lifetime. The
// window's thread gets one from Qt; a command-line tool or a test makes its own, before any
// device object and outliving them all.
class ComApartment {
  public:
    ComApartment();
    ~ComApartment();
    ComApartment(const ComApartment&) = delete;
    ComApartment& operator=(const ComApartment&) = delete;

    // S_OK, or S_FALSE when the thread was already in one; negative when it could not join
    // (the thread is in the multithreaded apartment).
    Status JoinStatus() const { return status_; }

  private:
    Status status_;
};
