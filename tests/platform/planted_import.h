// Windows alone. Plants a function of the test's where the code under test calls one Windows exports,
// for what wine cannot show (a sound, a dialog's answer, a console's code page): such calls go through the import's address, which is
// written here and put back when the test's scope ends.
#pragma once

#include <windows.h>

#include <commdlg.h>
#include <shobjidl.h>

template <class Function> class PlantedImport {
public:
    PlantedImport(Function*& import, Function* planted) : import_(import), original_(import) { write(planted); }
    ~PlantedImport() { write(original_); }
    PlantedImport(const PlantedImport&) = delete;
    PlantedImport& operator=(const PlantedImport&) = delete;

private:
    void write(Function* value)
    {
        DWORD protection = 0;
        VirtualProtect(&import_, sizeof import_, PAGE_READWRITE, &protection);
        import_ = value;
        VirtualProtect(&import_, sizeof import_, protection, &protection);
    }

    Function*& import_;
    Function* const original_;
};

// The import addresses of the functions the tests plant, as the import libraries name them.
extern "C" {
extern decltype(MessageBeep)* __imp_MessageBeep;
extern decltype(MessageBoxW)* __imp_MessageBoxW;
extern decltype(GetOpenFileNameW)* __imp_GetOpenFileNameW;
extern decltype(GetSaveFileNameW)* __imp_GetSaveFileNameW;
extern decltype(SHCreateItemFromParsingName)* __imp_SHCreateItemFromParsingName;
extern decltype(CoCreateInstance)* __imp_CoCreateInstance;
extern decltype(GetConsoleOutputCP)* __imp_GetConsoleOutputCP;
extern decltype(SetConsoleOutputCP)* __imp_SetConsoleOutputCP;
}
