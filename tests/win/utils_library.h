#pragma once
// utils.dll loaded from the build's bin folder and called through its BSCallProc export, as
// setup calls it.

#include <windows.h>

#include <string>

class PropertyStore;

struct UtilsOutcome {
    int kind;    // what BSCallProc returned: 0, 1 or -1
    int number;  // the procedure's integer result
    std::string text;
    int status;
    std::string log;  // what the call added to the shared log
};

class UtilsLibrary {
  public:
    UtilsLibrary();
    ~UtilsLibrary();
    UtilsLibrary(const UtilsLibrary&) = delete;
    UtilsLibrary& operator=(const UtilsLibrary&) = delete;
    bool Loaded() const { return call_ != nullptr; }
    // Hands setup's property store to the library (null: none).
    void HandOver(PropertyStore* store);
    UtilsOutcome Call(const std::string& text, int resultSize = 1024);

  private:
    using CallFunction = int (*)(const char*, int*, char*, int, int*);
    HMODULE module_ = nullptr;
    CallFunction call_ = nullptr;
};

// A fresh folder for one test's files.
std::string FreshTestFolder(const std::string& name);
