// The window's thread in a single-threaded apartment with OLE, for the program's life.
#include "win32/ole_apartment.h"

#include <windows.h>

#include <ole2.h>

namespace win32 {

OleApartment::OleApartment() : ready_(SUCCEEDED(OleInitialize(nullptr))) {}

OleApartment::~OleApartment()
{
    if (ready_) OleUninitialize();
}

}  // namespace win32
