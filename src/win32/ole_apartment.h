// The window's thread in a single-threaded apartment with OLE, for the program's life.
#pragma once

namespace win32 {

// Made first in wWinMain, before any window or dialog, and kept until the program ends: task dialogs
// and Windows' file and folder dialogs host shell extensions that expect an apartment of this kind on
// the thread that shows them, with OLE for dragging within them. ready() tells whether it was set up.
class OleApartment {
public:
    OleApartment();
    ~OleApartment();
    OleApartment(const OleApartment&) = delete;
    OleApartment& operator=(const OleApartment&) = delete;
    bool ready() const { return ready_; }

private:
    bool ready_;
};

}  // namespace win32
