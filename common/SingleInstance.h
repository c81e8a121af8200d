// Single-instance rules of a program: a named mutex held by the one resident instance, and the
// hand-over of a request from a second start to the running one.
#pragma once
#include <windows.h>

#include "common/Handles.h"

// A named mutex taken without waiting (created unowned, then waited for 0 ms; an abandoned one
// counts as taken). Released and closed by Release or when the object goes.
class InstanceMutex {
public:
    explicit InstanceMutex(const char* name);
    InstanceMutex(const InstanceMutex&) = delete;
    InstanceMutex& operator=(const InstanceMutex&) = delete;
    ~InstanceMutex() { Release(); }

    // True when this process holds the mutex; false when another instance holds it or it could
    // not be made.
    bool Held() const { return static_cast<bool>(m_mutex); }
    void Release();

private:
    UniqueHeldMutex m_mutex;
};

// Posts message (both parameters 0) to every thread of the first running process of programFile
// (matched by name like FindProcessByName) other than this one. True when one was found.
[[nodiscard]] bool PostToOtherInstance(const char* programFile, UINT message);
